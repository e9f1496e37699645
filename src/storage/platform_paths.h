#pragma once

#include <string>

namespace kova {

// Where the platform layer looks for the kernel's views of devices and mounts. Tests point these
// at a fake tree.
struct TXPlatformPaths {
  std::string SysRoot = "/sys";
  std::string MountsFile = "/proc/mounts";
  std::string DevRoot = "/dev";
};

// The real system's paths.
const TXPlatformPaths& SystemPaths();

}  // namespace kova
