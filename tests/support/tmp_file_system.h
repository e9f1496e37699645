#pragma once

#include <filesystem>

namespace kova::test {

// A tmpfs of its own, mounted at `where` while the object lives (needs the right to mount; see
// Mounted). Options as for mount(8), for example "size=1m".
class TmpFileSystem {
 public:
  TmpFileSystem(const std::filesystem::path& where, const char* options, unsigned long flags = 0);
  ~TmpFileSystem();
  TmpFileSystem(const TmpFileSystem&) = delete;
  TmpFileSystem& operator=(const TmpFileSystem&) = delete;

  bool Mounted() const { return mounted_; }
  bool MakeReadOnly();

 private:
  std::filesystem::path where_;
  bool mounted_ = false;
};

}  // namespace kova::test
