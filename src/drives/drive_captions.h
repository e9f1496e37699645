#pragma once

#include <string>
#include <vector>

#include "storage/drive_info.h"

// The names people read for drives, from the language texts.
namespace kova {

// "SD card", "Loop device", "Partition 2": what the drive is.
std::string DriveKindName(const TXDriveInfo& drive);

// One line for a drive list: what it is, its size and label, then model, connection, the file
// behind a loop device and whether it holds the system, then the device:
//   "SD card 7.40 GB 'CANON_DC' — Generic SD Reader, USB (/dev/sdb)"
//   "Partition 1 7.40 GB 'CANON_DC' — FAT (/dev/sdb1)"
// A whole disk without a label of its own takes the label of its only partition (`all` is the
// list the drive belongs to).
std::string DriveCaption(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all);

// The caption without the device at its end.
std::string DriveDescription(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all);

}  // namespace kova
