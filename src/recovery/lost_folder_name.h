#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kova {

// The folder of files whose directory was found in free clusters without an entry naming it:
// "LOST" and the directory's first cluster in eight digits, on every file system.
inline std::string LostFolderName(uint32_t cluster) {
  char name[24];
  std::snprintf(name, sizeof name, "LOST%08u", cluster);
  return name;
}

}  // namespace kova
