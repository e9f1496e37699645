#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/platform_paths.h"

// Volume facts of the platform: mounts, file-system probes (libblkid), space (statvfs) and the
// "same drive" test.
namespace kova {

struct TXMountEntry {
  std::string Source;
  std::string MountPoint;
  std::string Type;
};

// The entries of a mounts table in the format of /proc/mounts (octal escapes decoded).
std::vector<TXMountEntry> ReadMounts(const std::string& mountsFile);

// The mount whose mount point holds the path (the longest one), if any.
std::optional<TXMountEntry> MountHolding(const std::string& path,
                                         const TXPlatformPaths& paths = SystemPaths());

// Where the block device at devicePath is mounted, if it is.
std::optional<TXMountEntry> MountOfDevice(const std::string& devicePath,
                                          const TXPlatformPaths& paths = SystemPaths());

// What libblkid recognises on an open device: file-system type ("vfat", "exfat", "ntfs", ...),
// label and UUID. False when nothing is recognised.
struct TXVolumeProbe {
  std::string Type;
  std::string Label;
  std::string Uuid;
};
bool ProbeVolume(int fd, TXVolumeProbe& probe);

// The name the rest of the system expects for a probed file-system type: "exFAT", "NTFS", the
// upper-cased name for FAT types; other names as probed. A "vfat" volume is named from its boot
// sector instead ("FAT" or "FAT32").
std::string FileSystemNameOf(const std::string& probedType);

// The serial number in a probed UUID: its last eight hexadecimal digits (a FAT volume's
// "1234-ABCD" gives 0x1234ABCD). 0 when there are none.
uint32_t SerialOfUuid(const std::string& uuid);

// Space of the file system holding path (statvfs).
struct TXSpaceFacts {
  int64_t TotalBytes = 0;
  int64_t FreeBytes = 0;  // available to the calling user
  uint32_t BlockSize = 0;
  uint32_t MaxNameLength = 0;
  uint32_t Flags = 0;
};
bool QuerySpace(const std::string& path, TXSpaceFacts& facts, int& error);

// The whole disk that a path lives on: a block device's own disk (a partition gives its disk),
// or the disk of the file system holding a file or folder. A path that does not exist yet is
// taken at its nearest existing parent. Empty when nothing exists.
std::optional<dev_t> DriveOf(const std::string& path, const TXPlatformPaths& paths = SystemPaths());

// True when both paths live on the same disk (so that writing to one may overwrite the other).
bool SameDrive(const std::string& a, const std::string& b,
               const TXPlatformPaths& paths = SystemPaths());

}  // namespace kova
