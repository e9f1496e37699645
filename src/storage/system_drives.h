#pragma once

#include <string>
#include <vector>

#include "storage/drive_info.h"
#include "storage/platform_paths.h"

namespace kova {

// Sets System on every drive that holds a mounted system file system ("/", "/boot", "/usr",
// "/var", "/home" and the like, also through a device-mapper layer such as LVM or an encrypted
// volume), on the disk it belongs to and on that disk's other partitions. Answers the name of
// the drive that holds "/" ("" when it cannot be told).
std::string MarkSystemDrives(std::vector<TXDriveInfo>& drives,
                             const TXPlatformPaths& paths = SystemPaths());

// The name of the drive holding the root file system ("" when it cannot be told).
std::string SystemDriveName(const std::vector<TXDriveInfo>& drives,
                            const TXPlatformPaths& paths = SystemPaths());

}  // namespace kova
