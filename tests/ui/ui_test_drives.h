#pragma once

#include <cstdint>
#include <string>

#include "storage/platform_paths.h"
#include "support/test_paths.h"

namespace kova::test {

// A machine as the kernel shows it under /sys and /dev, in a temporary folder: disks and
// partitions whose device nodes are plain files of their size, and the root file system on a
// partition of the first disk.
class FakeDrives {
 public:
  FakeDrives();

  // A whole disk of `bytes`; a removable one sits on a USB path.
  void Disk(const std::string& name, int64_t bytes, bool removable, const std::string& model);
  void Partition(const std::string& disk, const std::string& name, int64_t bytes);
  std::string Dev(const std::string& name) const;
  const TXPlatformPaths& Paths() const { return paths_; }

 private:
  void Node(const std::string& name, int64_t bytes);

  TempDir dir_;
  TXPlatformPaths paths_;
};

}  // namespace kova::test
