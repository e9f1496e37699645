#pragma once

#include <filesystem>
#include <string>

namespace kova::test {

// The folder of real camera files, or an empty path when this checkout has none beside it.
std::filesystem::path SamplesDir();

// A fresh, empty folder below the system's temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Repository and build folders, for tests that run the project's own tools.
std::filesystem::path SourceDir();
std::filesystem::path BinaryDir();

}  // namespace kova::test

// Declares `var` as the path of a real camera file; skips the calling test with a clear message
// when this checkout has no samples folder beside it (a clone outside the workplace).
#define KOVA_SAMPLE_OR_SKIP(var, name)                                                 \
  if (::kova::test::SamplesDir().empty())                                              \
    GTEST_SKIP() << "the folder of real camera samples (../shared/samples) is absent"; \
  const std::filesystem::path var = ::kova::test::SamplesDir() / (name)
