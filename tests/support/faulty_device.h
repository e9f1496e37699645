#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "storage/platform_device.h"

namespace kova {

// What a faulty device does wrong. One plan may be shared by several devices opened on the same
// path; its read counter counts the reads of all of them.
struct TXFaultPlan {
  struct Range {
    int64_t Start;
    int64_t Size;
  };

  // Opening fails with this errno (0: opening works).
  int OpenError = 0;
  // Reads that touch one of these byte ranges fail with ReadError (EIO unless changed).
  std::vector<Range> BadRanges;
  int ReadError = 5;
  // Every read after this many fails with ENODEV, as when a card is pulled (-1: never).
  int VanishAfterReads = -1;
  // Every read takes at least this long.
  std::chrono::milliseconds ReadDelay{0};
  // The first read from this number on (counting every read from 1) waits, once it started,
  // until the test releases it: a card that hangs until the test lets it go (0: never).
  std::atomic<int> HoldAtRead{0};

  std::atomic<int> Reads{0};
  // Devices of this plan open now.
  std::atomic<int> OpenDevices{0};

  // Whether every read's range is kept (ReadsMade).
  std::atomic<bool> LogReads{false};
  std::vector<Range> ReadsMade();

  // Failed reads that touched bad range `index` (a read touching two counts for both).
  int FailedReadsOf(size_t index);
  // The most failed reads that touched any one bad range.
  int MostFailedReadsOfARange();

  // Waits until the held read has started (and is waiting); a test fails when that never comes.
  void WaitUntilHeld();
  // Lets the held read go on, and every later one.
  void Release();

 private:
  friend class TXFaultyDevice;
  void Hold();

  std::mutex gate_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
  std::vector<int> failedReads_;  // by bad range, guarded by gate_
  std::vector<Range> reads_;      // guarded by gate_
};

// A device that misbehaves according to a plan, over a real device (or image file) underneath.
class TXFaultyDevice final : public IXBlockDevice {
 public:
  TXFaultyDevice(std::unique_ptr<IXBlockDevice> inner, std::shared_ptr<TXFaultPlan> plan);
  ~TXFaultyDevice() override;

  const std::string& Path() const override { return path_; }
  int64_t Size() const override { return inner_->Size(); }
  uint32_t SectorSize() const override { return inner_->SectorSize(); }
  uint32_t SectorsPerTrack() const override { return inner_->SectorsPerTrack(); }
  int64_t ReadAt(int64_t offset, void* buffer, int64_t count, int& error) override;
  int NativeHandle() const override { return inner_->NativeHandle(); }
  bool IsBlockDevice() const override { return inner_->IsBlockDevice(); }

  // Makes a device named `name` whose bytes come from the file or device at `backingPath`.
  static TXDeviceOpening Open(const std::string& name, const std::string& backingPath,
                              std::shared_ptr<TXFaultPlan> plan);

 private:
  // Counts a failed read for every bad range it touches; false when it touches none.
  bool TouchesBadRange(int64_t offset, int64_t count) const;

  std::unique_ptr<IXBlockDevice> inner_;
  std::shared_ptr<TXFaultPlan> plan_;
  std::string path_;
};

// An opener that answers faulty devices for `name` and the platform's devices for other paths.
TXDeviceOpener FaultyDeviceOpener(const std::string& name, const std::string& backingPath,
                                  std::shared_ptr<TXFaultPlan> plan);

}  // namespace kova
