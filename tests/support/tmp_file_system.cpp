#include "support/tmp_file_system.h"

#include <sys/mount.h>

namespace kova::test {

TmpFileSystem::TmpFileSystem(const std::filesystem::path& where, const char* options,
                             unsigned long flags)
    : where_(where) {
  std::filesystem::create_directories(where);
  mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", flags, options) == 0;
}

TmpFileSystem::~TmpFileSystem() {
  if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
}

bool TmpFileSystem::MakeReadOnly() {
  return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

}  // namespace kova::test
