#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "storage/buf_stream.h"
#include "storage/disk_info.h"
#include "storage/platform_device.h"

namespace kova {

// The buffered stream over a drive (a block device such as /dev/sdb or /dev/sdb1), read-only.
// Every window is one device read at a multiple of 512 bytes. A window that cannot be read reads
// as zeros: a vanished device (ENODEV, ENXIO, ENOMEDIUM) records code 11 and always raises;
// any other failure records 44 (13 for a bad position) and raises only with RaiseOnError.
class TXBufDiskStream : public TXCustomBufStream {
 public:
  // Called with the elapsed milliseconds after a window read that took longer than SlowReadMs.
  using TXSlowReadEvent = std::function<void(TXBufDiskStream& stream, int64_t elapsedMs)>;

  // Opens the drive. Clears the thread's error record first; failures record and raise 11 (no
  // such device, no medium), 10 (access denied) or 4 (anything else, with the OS error).
  explicit TXBufDiskStream(const std::string& drive, int32_t bufferSize = kMediumWindowSize);

  const std::string& Drive() const { return drive_; }
  const TXDiskInfoRecord& DiskInfo() const { return diskInfo_; }
  IXBlockDevice& Device() const { return *device_; }

  TXSlowReadEvent OnSlowRead;
  int64_t SlowReadMs = 1000;

  // Reading from start to end: the system reads ahead further, and the windows are larger until
  // a read fails.
  void AdviseSequential(bool sequential) override;
  void ReadAhead(int64_t offset, int64_t size) override;

 protected:
  void FillWindow() override;

 private:
  static std::unique_ptr<IXBlockDevice> OpenDrive(const std::string& drive);
  std::string Where(int64_t offset) const;

  std::string drive_;
  std::unique_ptr<IXBlockDevice> device_;
  TXDiskInfoRecord diskInfo_;
};

// The device path of a drive text: trailing slashes removed.
std::string DevicePathOf(const std::string& drive);

}  // namespace kova
