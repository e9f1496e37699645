#include "storage/platform_files.h"

#include <cerrno>
#include <filesystem>

#include "storage/platform_volume.h"

namespace kova {

namespace fs = std::filesystem;

bool CreateFolderWithParents(const std::string& path, int& error) {
  error = 0;
  if (path.empty()) {
    error = ENOENT;
    return false;
  }
  std::error_code failure;
  fs::create_directories(path, failure);
  if (fs::is_directory(path)) return true;
  error = failure ? failure.value() : ENOTDIR;
  return false;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error) && !fs::is_directory(path, error);
}

bool FolderExists(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

int64_t FreeSpaceOf(const std::string& folder) {
  std::error_code error;
  fs::path probe = fs::absolute(folder, error);
  while (!probe.empty() && !fs::exists(probe, error)) {
    if (probe == probe.parent_path()) return -1;
    probe = probe.parent_path();
  }
  TXSpaceFacts facts;
  int osError = 0;
  return QuerySpace(probe.string(), facts, osError) ? facts.FreeBytes : -1;
}

}  // namespace kova
