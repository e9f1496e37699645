#pragma once

#include <string>
#include <vector>

#include "drives/udisks_client.h"
#include "storage/drive_info.h"
#include "storage/platform_paths.h"

namespace kova {

// The drives among udisks2's objects: every block device it does not ask to hide, each whole
// disk followed by its partitions, disks in natural name order. Unattached loop devices are
// left out; a reader without a card is listed with size 0.
std::vector<TXDriveInfo> DrivesOfObjects(const TXUDisksObjects& objects);

// The drives as udisks2 on the bus at `address` (the system bus when empty) tells them, or as
// /sys tells them when no disk service answers.
std::vector<TXDriveInfo> EnumerateDrivesOrSysfs(const TXPlatformPaths& paths,
                                                const std::string& address = {});

}  // namespace kova
