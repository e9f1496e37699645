#include "support/faulty_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace kova {

void TXFaultPlan::WaitUntilHeld() {
  // Only a hang waits this long; the test then fails instead of waiting for ctest's timeout.
  constexpr auto kHangBound = std::chrono::seconds(60);
  std::unique_lock lock(gate_);
  if (!changed_.wait_for(lock, kHangBound, [this] { return held_ || released_; }))
    ADD_FAILURE() << "the card's held read never came";
}

void TXFaultPlan::Release() {
  {
    std::lock_guard lock(gate_);
    released_ = true;
  }
  changed_.notify_all();
}

void TXFaultPlan::Hold() {
  std::unique_lock lock(gate_);
  held_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return released_; });
}

TXFaultyDevice::TXFaultyDevice(std::unique_ptr<IXBlockDevice> inner,
                               std::shared_ptr<TXFaultPlan> plan)
    : inner_(std::move(inner)), plan_(std::move(plan)), path_(inner_->Path()) {
  ++plan_->OpenDevices;
}

TXFaultyDevice::~TXFaultyDevice() {
  --plan_->OpenDevices;
}

bool TXFaultyDevice::TouchesBadRange(int64_t offset, int64_t count) const {
  bool touches = false;
  std::lock_guard lock(plan_->gate_);
  plan_->failedReads_.resize(plan_->BadRanges.size());
  for (size_t i = 0; i < plan_->BadRanges.size(); ++i) {
    const TXFaultPlan::Range& range = plan_->BadRanges[i];
    if (offset < range.Start + range.Size && offset + count > range.Start) {
      ++plan_->failedReads_[i];
      touches = true;
    }
  }
  return touches;
}

std::vector<TXFaultPlan::Range> TXFaultPlan::ReadsMade() {
  std::lock_guard lock(gate_);
  return reads_;
}

int TXFaultPlan::FailedReadsOf(size_t index) {
  std::lock_guard lock(gate_);
  return index < failedReads_.size() ? failedReads_[index] : 0;
}

int TXFaultPlan::MostFailedReadsOfARange() {
  std::lock_guard lock(gate_);
  return failedReads_.empty() ? 0 : *std::max_element(failedReads_.begin(), failedReads_.end());
}

int64_t TXFaultyDevice::ReadAt(int64_t offset, void* buffer, int64_t count, int& error) {
  const int reads = ++plan_->Reads;
  if (plan_->LogReads) {
    std::lock_guard lock(plan_->gate_);
    plan_->reads_.push_back({offset, count});
  }
  const int holdAt = plan_->HoldAtRead;
  if (holdAt > 0 && reads >= holdAt) plan_->Hold();
  if (plan_->ReadDelay.count() > 0) std::this_thread::sleep_for(plan_->ReadDelay);
  if (plan_->VanishAfterReads >= 0 && reads > plan_->VanishAfterReads) {
    error = ENODEV;
    return -1;
  }
  if (TouchesBadRange(offset, count)) {
    error = plan_->ReadError;
    return -1;
  }
  return inner_->ReadAt(offset, buffer, count, error);
}

TXDeviceOpening TXFaultyDevice::Open(const std::string& name, const std::string& backingPath,
                                     std::shared_ptr<TXFaultPlan> plan) {
  if (plan->OpenError != 0) return {nullptr, plan->OpenError};
  TXDeviceOpening backing = OpenPlatformDevice(backingPath);
  if (!backing.Device) return backing;
  auto device = std::make_unique<TXFaultyDevice>(std::move(backing.Device), std::move(plan));
  device->path_ = name;
  return {std::move(device), 0};
}

TXDeviceOpener FaultyDeviceOpener(const std::string& name, const std::string& backingPath,
                                  std::shared_ptr<TXFaultPlan> plan) {
  return [name, backingPath, plan](const std::string& path) {
    if (path != name) return OpenPlatformDevice(path);
    return TXFaultyDevice::Open(name, backingPath, plan);
  };
}

}  // namespace kova
