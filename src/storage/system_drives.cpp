#include "storage/system_drives.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "storage/drive_sysfs.h"
#include "storage/platform_volume.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

bool IsSystemMountPoint(const std::string& mountPoint) {
  static const char* const kSystemFolders[] = {"/",     "/boot", "/efi", "/usr", "/var",
                                               "/home", "/opt",  "/srv", "/nix"};
  return std::any_of(std::begin(kSystemFolders), std::end(kSystemFolders), [&](const char* folder) {
    const std::string_view prefix(folder);
    return mountPoint == prefix ||
           (prefix != "/" && mountPoint.starts_with(std::string(prefix) + "/"));
  });
}

bool IsDrive(const std::vector<TXDriveInfo>& drives, const std::string& name) {
  return std::any_of(drives.begin(), drives.end(),
                     [&](const TXDriveInfo& drive) { return drive.Name == name; });
}

fs::path SysDirOf(const TXDriveInfo& drive, const TXPlatformPaths& paths) {
  fs::path block = fs::path(paths.SysRoot) / "block";
  return drive.IsPartition() ? block / drive.Disk / drive.Name : block / drive.Name;
}

// The drive whose device number is the one of the file system mounted at mountPoint.
std::string DriveByNumber(const std::vector<TXDriveInfo>& drives, const std::string& mountPoint,
                          const TXPlatformPaths& paths) {
  struct stat info {};
  if (::stat(mountPoint.c_str(), &info) != 0) return {};
  const std::string number =
      std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
  for (const TXDriveInfo& drive : drives) {
    if (FirstLineOf((SysDirOf(drive, paths) / "dev").string()) == number) return drive.Name;
  }
  return {};
}

// The drives a kernel device stands on: itself when it is a drive and (device mapper, RAID) the
// devices listed under its "slaves", followed down.
void CollectUnderlying(const std::vector<TXDriveInfo>& drives, const std::string& name,
                       const TXPlatformPaths& paths, int depth, std::set<std::string>& found) {
  if (IsDrive(drives, name)) found.insert(name);
  if (depth > 8) return;
  std::error_code error;
  for (const auto& slave :
       fs::directory_iterator(fs::path(paths.SysRoot) / "block" / name / "slaves", error)) {
    CollectUnderlying(drives, slave.path().filename().string(), paths, depth + 1, found);
  }
}

// A mount's source with /dev/ read in the device folder in use.
fs::path SourceNode(const std::string& source, const TXPlatformPaths& paths) {
  if (!source.starts_with("/dev/")) return source;
  return fs::path(paths.DevRoot) / source.substr(5);
}

std::set<std::string> DrivesOfMount(const std::vector<TXDriveInfo>& drives,
                                    const TXMountEntry& mount, const TXPlatformPaths& paths) {
  std::error_code error;
  const fs::path node = SourceNode(mount.Source, paths);
  const fs::path source = fs::exists(node, error) ? fs::canonical(node, error) : node;
  std::set<std::string> found;
  CollectUnderlying(drives, source.filename().string(), paths, 0, found);
  // A source such as /dev/root names no drive: the mounted file system's device number does.
  if (found.empty()) {
    const std::string byNumber = DriveByNumber(drives, mount.MountPoint, paths);
    if (!byNumber.empty()) found.insert(byNumber);
  }
  return found;
}

}  // namespace

std::string MarkSystemDrives(std::vector<TXDriveInfo>& drives, const TXPlatformPaths& paths) {
  std::set<std::string> disks;
  std::string root;
  for (const TXMountEntry& mount : ReadMounts(paths.MountsFile)) {
    if (!IsSystemMountPoint(mount.MountPoint)) continue;
    for (const std::string& name : DrivesOfMount(drives, mount, paths)) {
      if (mount.MountPoint == "/") root = name;
      auto drive = std::find_if(drives.begin(), drives.end(),
                                [&](const TXDriveInfo& d) { return d.Name == name; });
      disks.insert(drive->IsPartition() ? drive->Disk : drive->Name);
    }
  }
  for (TXDriveInfo& drive : drives)
    drive.System = disks.contains(drive.IsPartition() ? drive.Disk : drive.Name);
  return root;
}

std::string SystemDriveName(const std::vector<TXDriveInfo>& drives, const TXPlatformPaths& paths) {
  std::vector<TXDriveInfo> copy = drives;
  return MarkSystemDrives(copy, paths);
}

}  // namespace kova
