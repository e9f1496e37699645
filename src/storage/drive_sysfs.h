#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/drive_info.h"
#include "storage/platform_paths.h"

namespace kova {

// Every drive the kernel reports under <SysRoot>/block, each whole disk followed by its
// partitions, disks in natural name order. Unattached loop and RAM devices (size 0) are left out;
// an empty card reader is listed. Labels come from <DevRoot>/disk/by-label.
std::vector<TXDriveInfo> EnumerateDrives(const TXPlatformPaths& paths = SystemPaths());

// What a card reader's model names ("Generic SD/MMC Reader" an SD card, "Card Reader" a memory
// card of no named kind); mkUnknown when it names no card.
TXMediumKind MediumOfReaderModel(const std::string& model);

// A vendor or model field that holds only a number ("0x1af4", the PCI vendor of a virtio disk)
// names nothing a person would recognise.
bool IsBareNumber(std::string_view text);

// Orders names with numbers by their numbers: loop2 before loop10.
bool NaturalLess(const std::string& a, const std::string& b);

// The first line of a small text file (a sysfs attribute), trimmed; empty when unreadable.
std::string FirstLineOf(const std::string& file);

}  // namespace kova
