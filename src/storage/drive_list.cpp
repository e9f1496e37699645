#include "storage/drive_list.h"

#include <algorithm>
#include <mutex>

namespace kova {

namespace {

std::mutex enumeratorMutex;
std::shared_ptr<const TXDriveEnumerator> currentEnumerator;

std::shared_ptr<const TXDriveEnumerator> ExchangeEnumerator(
    std::shared_ptr<const TXDriveEnumerator> next) {
  std::lock_guard lock(enumeratorMutex);
  std::swap(currentEnumerator, next);
  return next;
}

std::shared_ptr<const TXDriveEnumerator> Enumerator() {
  std::lock_guard lock(enumeratorMutex);
  return currentEnumerator;
}

bool IsCardCandidate(const TXDriveInfo& drive) {
  return drive.Type == TXDriveType::dtRemovable && !drive.IsPartition() && drive.Size > 0 &&
         !drive.System;
}

std::vector<TXDriveInfo> Enumerated(const TXPlatformPaths& paths) {
  auto enumerator = Enumerator();
  return enumerator ? (*enumerator)(paths) : EnumerateDrives(paths);
}

}  // namespace

std::vector<TXDriveInfo> ListDrives(const TXPlatformPaths& paths) {
  std::vector<TXDriveInfo> drives = Enumerated(paths);
  MarkSystemDrives(drives, paths);
  return drives;
}

TXDriveEnumeratorScope::TXDriveEnumeratorScope(TXDriveEnumerator enumerator)
    : previous_(
          ExchangeEnumerator(std::make_shared<const TXDriveEnumerator>(std::move(enumerator)))) {}

TXDriveEnumeratorScope::~TXDriveEnumeratorScope() {
  ExchangeEnumerator(previous_);
}

int32_t PreferredDriveIndex(const std::vector<TXDriveInfo>& drives) {
  auto card = std::find_if(drives.begin(), drives.end(), IsCardCandidate);
  return card == drives.end() ? -1 : static_cast<int32_t>(card - drives.begin());
}

TXDriveList::TXDriveList(TXPlatformPaths paths, TXDriveTypes types)
    : paths_(std::move(paths)), types_(types) {}

void TXDriveList::Refresh() {
  all_ = Enumerated(paths_);
  const std::string system = MarkSystemDrives(all_, paths_);
  auto found = std::find_if(all_.begin(), all_.end(),
                            [&](const TXDriveInfo& drive) { return drive.Name == system; });
  defaultIndex_ =
      system.empty() || found == all_.end() ? -1 : static_cast<int32_t>(found - all_.begin());
  selected_ = -1;
  selectedDrive_.clear();
  ApplyFilter();
  Select(PreferredDriveIndex(shown_));
}

void TXDriveList::SetDriveTypes(TXDriveTypes types) {
  types_ = types;
  std::string kept = SelectedRoot();
  ApplyFilter();
  auto found = std::find_if(shown_.begin(), shown_.end(),
                            [&](const TXDriveInfo& drive) { return drive.DevicePath == kept; });
  Select(found == shown_.end() ? -1 : static_cast<int32_t>(found - shown_.begin()));
}

void TXDriveList::ApplyFilter() {
  shown_.clear();
  for (const TXDriveInfo& drive : all_) {
    if (types_.Contains(drive.Type)) shown_.push_back(drive);
  }
}

void TXDriveList::Select(int32_t index) {
  selected_ = index >= 0 && index < static_cast<int32_t>(shown_.size()) ? index : -1;
  selectedDrive_ = SelectedRoot();
  if (OnChange) OnChange();
}

std::string TXDriveList::SelectedRoot() const {
  return selected_ >= 0 ? shown_[static_cast<size_t>(selected_)].DevicePath : std::string();
}

}  // namespace kova
