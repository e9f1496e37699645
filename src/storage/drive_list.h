#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "storage/platform_paths.h"

namespace kova {

// The kinds of drive, in the order of the values 0 to 6 the rest of the system uses.
enum class TXDriveType : uint8_t {
  dtUnknown,
  dtNoRoot,  // the kernel knows the device but it has no node to open
  dtRemovable,
  dtFixed,
  dtRemote,
  dtCDROM,
  dtRAMDISK,
};

// A set of drive kinds.
class TXDriveTypes {
 public:
  TXDriveTypes() = default;
  TXDriveTypes(std::initializer_list<TXDriveType> types) {
    for (TXDriveType type : types)
      Include(type);
  }
  static TXDriveTypes All() { return TXDriveTypes(0x7F); }

  bool Contains(TXDriveType type) const { return bits_ & Bit(type); }
  TXDriveTypes& Include(TXDriveType type) {
    bits_ |= Bit(type);
    return *this;
  }
  friend bool operator==(TXDriveTypes, TXDriveTypes) = default;

 private:
  explicit TXDriveTypes(uint8_t bits) : bits_(bits) {}
  static uint8_t Bit(TXDriveType type) {
    return static_cast<uint8_t>(1u << static_cast<int>(type));
  }
  uint8_t bits_ = 0;
};

// One drive: a whole disk or one of its partitions.
struct TXDriveInfo {
  std::string Name;        // the kernel's name: sdb, sdb1, mmcblk0p1
  std::string DevicePath;  // what the inputs open: /dev/sdb1
  std::string Disk;        // the whole disk's name for a partition, empty for a whole disk
  TXDriveType Type = TXDriveType::dtUnknown;
  int64_t Size = 0;  // bytes; 0 for a reader without medium
  std::string Label;
  std::string Model;
  std::string Caption;  // as a file manager names it: label or model, device, size, model
};

// Every drive the kernel reports under <SysRoot>/block, each whole disk followed by its
// partitions, disks in natural name order. Unattached loop and RAM devices (size 0) are left out;
// an empty card reader is listed.
std::vector<TXDriveInfo> EnumerateDrives(const TXPlatformPaths& paths = SystemPaths());

// The name of the drive holding the root file system ("" when it cannot be told).
std::string SystemDriveName(const std::vector<TXDriveInfo>& drives,
                            const TXPlatformPaths& paths = SystemPaths());

// The drive list behind the disk page's drop-down: every drive, those whose kind is shown, the
// system drive and the selection.
class TXDriveList {
 public:
  explicit TXDriveList(TXPlatformPaths paths = SystemPaths(),
                       TXDriveTypes types = TXDriveTypes::All());

  // Enumerates again, applies the filter and selects: the system drive when fixed drives are
  // shown, otherwise (or when it is not shown) the first entry.
  void Refresh();

  const std::vector<TXDriveInfo>& AllDrives() const { return all_; }
  const std::vector<TXDriveInfo>& ShownDrives() const { return shown_; }
  // Position of the system drive in AllDrives, -1 when absent.
  int32_t DefaultIndex() const { return defaultIndex_; }

  TXDriveTypes DriveTypes() const { return types_; }
  // Stores the kinds and applies the filter again (keeping the selection when it is still shown).
  void SetDriveTypes(TXDriveTypes types);

  int32_t SelectedIndex() const { return selected_; }
  // Selects an entry of ShownDrives (-1 for none) and announces the change.
  void Select(int32_t index);
  // The selected entry's device path, empty when nothing is selected.
  std::string SelectedRoot() const;
  const std::string& SelectedDrive() const { return selectedDrive_; }

  // Called after every change of the selection.
  std::function<void()> OnChange;

 private:
  void ApplyFilter();
  void SelectInitial();

  TXPlatformPaths paths_;
  TXDriveTypes types_;
  std::vector<TXDriveInfo> all_;
  std::vector<TXDriveInfo> shown_;
  int32_t defaultIndex_ = -1;
  int32_t selected_ = -1;
  std::string selectedDrive_;
};

}  // namespace kova
