#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/run_figures.h"
#include "storage/buf_stream.h"
#include "storage/disk_info.h"
#include "storage/platform_device.h"
#include "storage/rescue_reader.h"

namespace kova {

// The buffered stream over a drive (a block device such as /dev/sdb or /dev/sdb1), read-only.
// Every window is read by a rescue reader (TXRescueReader) into the drive's bad-sector map: one
// request per window, a failed one trimmed to its bad sectors, sectors known bad never asked for
// again. The unreadable sectors of a window read as zeros, the rest as read: a vanished device
// (ENODEV, ENXIO, ENOMEDIUM) records code 11 and always raises; a window with unreadable sectors
// records 44 (13 for a bad position) and raises only with RaiseOnError.
class TXBufDiskStream : public TXCustomBufStream {
 public:
  // Called with the elapsed milliseconds after a window read that took longer than SlowReadMs.
  using TXSlowReadEvent = std::function<void(TXBufDiskStream& stream, int64_t elapsedMs)>;

  // Opens the drive. Clears the thread's error record first; failures record and raise 11 (no
  // such device, no medium), 10 (access denied) or 4 (anything else, with the OS error).
  // The map is the one the run keeps for this drive (a new one when none is given). The drive's
  // FAT label is decoded with the OEM code page.
  explicit TXBufDiskStream(const std::string& drive, int32_t bufferSize = kMediumWindowSize,
                           std::shared_ptr<TXBadSectorMap> map = nullptr,
                           uint16_t codePage = kDefaultCodePage);

  const std::string& Drive() const { return drive_; }
  const TXDiskInfoRecord& DiskInfo() const { return diskInfo_; }
  IXBlockDevice& Device() const { return *device_; }
  TXRescueReader& Reader() { return *reader_; }

  TXSlowReadEvent OnSlowRead;
  // Told the bad areas and unreadable bytes of the drive's map as they grow (not owned).
  TXRunFigures* Figures = nullptr;
  // Gives Figures what the map knows now.
  void ReportUnreadable() const;
  int64_t SlowReadMs = 1000;

  // Reading from start to end: the system reads ahead further, and the windows are larger.
  void SetSize(int64_t size) override;
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
  std::unique_ptr<TXRescueReader> reader_;
};

// The device path of a drive text: trailing slashes removed.
std::string DevicePathOf(const std::string& drive);

}  // namespace kova
