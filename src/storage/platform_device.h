#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The one door through which the storage layer reaches a medium: a block device or a regular file
// opened read-only, its size and sector size, and positioned reads. Tests put a device of their
// own in place of the real one (TXDeviceOpenerScope), for example a faulty one.
namespace kova {

class IXBlockDevice {
 public:
  virtual ~IXBlockDevice() = default;

  virtual const std::string& Path() const = 0;
  // Bytes the device exposes (BLKGETSIZE64 for a block device, the length of a regular file).
  virtual int64_t Size() const = 0;
  // Bytes per logical sector (BLKSSZGET; 512 for a regular file).
  virtual uint32_t SectorSize() const = 0;
  // Sectors per track as the driver reports its geometry (HDIO_GETGEO); 0 when unknown.
  virtual uint32_t SectorsPerTrack() const { return 0; }
  // Reads up to count bytes at offset; answers the count read (0 at the end), or -1 with the
  // errno in `error`.
  virtual int64_t ReadAt(int64_t offset, void* buffer, int64_t count, int& error) = 0;
  // The open file descriptor for volume probes, or -1 when the device has none.
  virtual int NativeHandle() const { return -1; }
  virtual bool IsBlockDevice() const { return false; }
  // Tells the system whether the device is being read from start to end, so that it reads ahead
  // further (posix_fadvise), or again as it likes.
  virtual void AdviseSequential(bool /*sequential*/) {}
};

struct TXDeviceOpening {
  std::unique_ptr<IXBlockDevice> Device;
  int Error = 0;  // the errno when Device is empty
};

using TXDeviceOpener = std::function<TXDeviceOpening(const std::string& path)>;

// Opens the medium at path for reading (never for writing) through the opener in place.
TXDeviceOpening OpenDevice(const std::string& path);

// The real opener: open(2) with O_RDONLY, sizes through fstat and the block-device ioctls.
TXDeviceOpening OpenPlatformDevice(const std::string& path);

// Puts another opener in place for the lifetime of the scope (the previous one comes back
// afterwards). Used by tests to substitute devices.
class TXDeviceOpenerScope {
 public:
  explicit TXDeviceOpenerScope(TXDeviceOpener opener);
  ~TXDeviceOpenerScope();
  TXDeviceOpenerScope(const TXDeviceOpenerScope&) = delete;
  TXDeviceOpenerScope& operator=(const TXDeviceOpenerScope&) = delete;

 private:
  std::shared_ptr<const TXDeviceOpener> previous_;
};

// Tells the system how the open file or device will be read: from start to end (it then reads
// ahead further) or as it likes. Only a hint: failures are ignored.
void AdviseReading(int fd, bool sequential);

// The system's text for an errno.
std::string OsErrorText(int error);

}  // namespace kova
