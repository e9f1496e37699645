#include "storage/platform_volume.h"

#include <blkid/blkid.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/text_utils.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

// Undoes the octal escapes (\040 for a blank) of a mounts-table field.
std::string Unescape(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    bool octal = field[i] == '\\' && i + 3 < field.size() &&
                 std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
                 std::isdigit(static_cast<unsigned char>(field[i + 2])) &&
                 std::isdigit(static_cast<unsigned char>(field[i + 3]));
    if (octal) {
      text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

bool HoldsPath(const std::string& mountPoint, const std::string& path) {
  if (mountPoint == "/") return true;
  return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
         (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::optional<dev_t> BlockDeviceNumber(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
  return info.st_rdev;
}

std::optional<dev_t> ParseDeviceNumber(const std::string& text) {
  unsigned major = 0;
  unsigned minor = 0;
  char colon = 0;
  std::istringstream in(text);
  if (!(in >> major >> colon >> minor) || colon != ':') return std::nullopt;
  return makedev(major, minor);
}

// The device number of the disk that holds a partition; the number itself for a whole disk or
// anything the kernel does not describe as a block device.
dev_t WholeDisk(dev_t device, const TXPlatformPaths& paths) {
  std::error_code error;
  fs::path link = fs::path(paths.SysRoot) / "dev" / "block" /
                  (std::to_string(major(device)) + ":" + std::to_string(minor(device)));
  fs::path node = fs::canonical(link, error);
  if (error || !fs::exists(node / "partition", error)) return device;
  std::ifstream parentDev(node.parent_path() / "dev");
  std::string text;
  std::getline(parentDev, text);
  return ParseDeviceNumber(text).value_or(device);
}

fs::path NearestExisting(const std::string& path) {
  if (path.empty()) return {};
  std::error_code error;
  fs::path probe = fs::absolute(path, error);
  while (!probe.empty() && !fs::exists(probe, error)) {
    if (probe == probe.parent_path()) return {};
    probe = probe.parent_path();
  }
  return probe;
}

std::string LookupValue(blkid_probe probe, const char* name) {
  const char* data = nullptr;
  size_t length = 0;
  if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || !data) return {};
  return std::string(data, strnlen(data, length));
}

}  // namespace

const TXPlatformPaths& SystemPaths() {
  static const TXPlatformPaths paths;
  return paths;
}

std::vector<TXMountEntry> ReadMounts(const std::string& mountsFile) {
  std::vector<TXMountEntry> entries;
  std::ifstream in(mountsFile);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    TXMountEntry entry;
    if (fields >> entry.Source >> entry.MountPoint >> entry.Type) {
      entry.Source = Unescape(entry.Source);
      entry.MountPoint = Unescape(entry.MountPoint);
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

std::optional<TXMountEntry> MountHolding(const std::string& path, const TXPlatformPaths& paths) {
  std::error_code error;
  std::string canonical = fs::weakly_canonical(fs::absolute(path, error), error).string();
  std::optional<TXMountEntry> best;
  for (TXMountEntry& entry : ReadMounts(paths.MountsFile)) {
    if (!HoldsPath(entry.MountPoint, canonical)) continue;
    if (!best || entry.MountPoint.size() >= best->MountPoint.size()) best = std::move(entry);
  }
  return best;
}

std::optional<TXMountEntry> MountOfDevice(const std::string& devicePath,
                                          const TXPlatformPaths& paths) {
  std::optional<dev_t> device = BlockDeviceNumber(devicePath);
  if (!device) return std::nullopt;
  for (TXMountEntry& entry : ReadMounts(paths.MountsFile)) {
    if (!entry.Source.starts_with("/")) continue;
    if (BlockDeviceNumber(entry.Source) == device) return std::move(entry);
  }
  return std::nullopt;
}

bool ProbeVolume(int fd, TXVolumeProbe& result) {
  result = {};
  if (fd < 0) return false;
  blkid_probe probe = blkid_new_probe();
  if (!probe) return false;
  bool found = false;
  if (blkid_probe_set_device(probe, fd, 0, 0) == 0) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe,
                                      BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
    if (blkid_do_safeprobe(probe) == 0) {
      result.Type = LookupValue(probe, "TYPE");
      result.Label = LookupValue(probe, "LABEL");
      result.Uuid = LookupValue(probe, "UUID");
      found = !result.Type.empty();
    }
  }
  blkid_free_probe(probe);
  return found;
}

std::string FileSystemNameOf(const std::string& probedType) {
  std::string type = LowerCase(probedType);
  if (type == "vfat" || type == "msdos" || type == "fat") return "FAT";
  if (type == "exfat") return "exFAT";
  if (type == "ntfs" || type == "ntfs3") return "NTFS";
  return probedType;
}

uint32_t SerialOfUuid(const std::string& uuid) {
  std::string digits;
  for (char c : uuid) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  }
  if (digits.empty()) return 0;
  if (digits.size() > 8) digits = digits.substr(digits.size() - 8);
  return static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
}

bool QuerySpace(const std::string& path, TXSpaceFacts& facts, int& error) {
  facts = {};
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) {
    error = errno;
    return false;
  }
  facts.TotalBytes = static_cast<int64_t>(info.f_blocks) * static_cast<int64_t>(info.f_frsize);
  facts.FreeBytes = static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
  facts.BlockSize = static_cast<uint32_t>(info.f_frsize);
  facts.MaxNameLength = static_cast<uint32_t>(info.f_namemax);
  facts.Flags = static_cast<uint32_t>(info.f_flag);
  return true;
}

std::optional<dev_t> DriveOf(const std::string& path, const TXPlatformPaths& paths) {
  fs::path existing = NearestExisting(path);
  struct stat info {};
  if (existing.empty() || ::stat(existing.c_str(), &info) != 0) return std::nullopt;
  return WholeDisk(S_ISBLK(info.st_mode) ? info.st_rdev : info.st_dev, paths);
}

bool SameDrive(const std::string& a, const std::string& b, const TXPlatformPaths& paths) {
  std::optional<dev_t> first = DriveOf(a, paths);
  return first && first == DriveOf(b, paths);
}

}  // namespace kova
