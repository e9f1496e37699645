#include "support/test_paths.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace kova::test {

std::filesystem::path SamplesDir() {
  const char* env = std::getenv("KOVA_SAMPLES_DIR");
  std::filesystem::path dir = env ? env : "";
  if (dir.empty() || !std::filesystem::is_directory(dir)) return {};
  return dir;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("kova-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path SourceDir() {
  return KOVA_TEST_SOURCE_DIR;
}
std::filesystem::path BinaryDir() {
  return KOVA_TEST_BINARY_DIR;
}

}  // namespace kova::test
