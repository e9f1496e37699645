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
  // Asks the system to start reading [offset, offset + size) without waiting for it, where the
  // device is read through the system's cache (ReadAheadOf).
  virtual void ReadAhead(int64_t /*offset*/, int64_t /*size*/) {}
  // The medium is known to fail: from now on it is read as after a failed read of its own.
  virtual void ReadPastCache() {}
};

// What the system's disk service answered when asked for a medium that open(2) refused.
enum class TXAccessRefusal : uint8_t {
  arNone,           // not asked (no service in place, or not a permission error)
  arNoService,      // no disk service answers
  arNeedsPassword,  // the user may unlock it, but asking the user was not allowed here
  arNoAgent,        // the user may unlock it, but nothing in this session can ask for a password
  arNotAuthorized,  // refused: the policy does not allow it, or the authorisation failed
  arDismissed,      // the user closed the authorisation dialog
  arUnknownDevice,  // the service knows no such device (it went away)
  arFailed,         // the service failed otherwise
};

struct TXDeviceOpening {
  TXDeviceOpening() = default;
  TXDeviceOpening(std::unique_ptr<IXBlockDevice> device, int error)
      : Device(std::move(device)), Error(error) {}

  std::unique_ptr<IXBlockDevice> Device;
  int Error = 0;  // the errno when Device is empty
  TXAccessRefusal Refusal = TXAccessRefusal::arNone;
  std::string Reason;  // the disk service's own words for a refusal
};

using TXDeviceOpener = std::function<TXDeviceOpening(const std::string& path)>;

// Whether the disk service may ask the user (a polkit password dialog) to open a medium.
enum class TXAccessPrompt : uint8_t { apAsk, apNever };

// Opens the medium at path for reading (never for writing) through the opener in place. When
// that is refused for lack of permission and a broker is in place (IXDeviceAccessBroker), the
// broker is asked for a read-only descriptor, which is taken like one opened here.
TXDeviceOpening OpenDevice(const std::string& path, TXAccessPrompt prompt = TXAccessPrompt::apAsk);

// The real opener: open(2) with O_RDONLY, sizes through fstat and the block-device ioctls.
TXDeviceOpening OpenPlatformDevice(const std::string& path);

// A device over a descriptor opened elsewhere (handed over by the disk service), which it then
// owns. A descriptor open for writing is refused (EBADF) and closed: sources are only read.
TXDeviceOpening AdoptDeviceDescriptor(const std::string& path, int descriptor);

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
// Asks the system to start reading [offset, offset + size) of the file into its cache without
// waiting for it (POSIX_FADV_WILLNEED), so that a later read finds it there or on its way.
void ReadAheadOf(int fd, int64_t offset, int64_t size);

// The system's text for an errno.
std::string OsErrorText(int error);

}  // namespace kova
