#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "storage/drive_info.h"

// Looking drives up by their kernel names in the tests of drive lists.
namespace kova::test {

inline std::vector<std::string> Names(const std::vector<TXDriveInfo>& drives) {
  std::vector<std::string> names;
  for (const TXDriveInfo& drive : drives)
    names.push_back(drive.Name);
  return names;
}

inline const TXDriveInfo& Find(const std::vector<TXDriveInfo>& drives, const std::string& name) {
  for (const TXDriveInfo& drive : drives) {
    if (drive.Name == name) return drive;
  }
  throw std::runtime_error("no drive " + name);
}

}  // namespace kova::test
