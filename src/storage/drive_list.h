#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/drive_info.h"
#include "storage/drive_sysfs.h"
#include "storage/platform_paths.h"
#include "storage/system_drives.h"

namespace kova {

// Where the drive list comes from: /sys (EnumerateDrives) unless a program puts another source
// in place, such as the system's disk service.
using TXDriveEnumerator = std::function<std::vector<TXDriveInfo>(const TXPlatformPaths& paths)>;

// The drives through the source in place, with the system drives marked.
std::vector<TXDriveInfo> ListDrives(const TXPlatformPaths& paths = SystemPaths());

// Puts another source of drives in place for the lifetime of the scope.
class TXDriveEnumeratorScope {
 public:
  explicit TXDriveEnumeratorScope(TXDriveEnumerator enumerator);
  ~TXDriveEnumeratorScope();
  TXDriveEnumeratorScope(const TXDriveEnumeratorScope&) = delete;
  TXDriveEnumeratorScope& operator=(const TXDriveEnumeratorScope&) = delete;

 private:
  std::shared_ptr<const TXDriveEnumerator> previous_;
};

// The drive a user most likely means: the first whole removable disk with a medium in it that
// holds no system file system; -1 when there is none. A system disk is never chosen for the user.
int32_t PreferredDriveIndex(const std::vector<TXDriveInfo>& drives);

// The drive list behind the disk page's drop-down: every drive, those whose kind is shown, the
// system drive and the selection.
class TXDriveList {
 public:
  explicit TXDriveList(TXPlatformPaths paths = SystemPaths(),
                       TXDriveTypes types = TXDriveTypes::All());

  // Enumerates again, applies the filter and selects the preferred drive (or nothing).
  void Refresh();

  const std::vector<TXDriveInfo>& AllDrives() const { return all_; }
  const std::vector<TXDriveInfo>& ShownDrives() const { return shown_; }
  // Position of the drive holding the root file system in AllDrives, -1 when absent.
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

  TXPlatformPaths paths_;
  TXDriveTypes types_;
  std::vector<TXDriveInfo> all_;
  std::vector<TXDriveInfo> shown_;
  int32_t defaultIndex_ = -1;
  int32_t selected_ = -1;
  std::string selectedDrive_;
};

}  // namespace kova
