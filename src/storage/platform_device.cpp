#include "storage/platform_device.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "storage/device_access.h"

namespace kova {

namespace {

class TXPosixDevice final : public IXBlockDevice {
 public:
  TXPosixDevice(std::string path, int fd, int64_t size, uint32_t sectorSize, bool blockDevice)
      : path_(std::move(path)),
        fd_(fd),
        size_(size),
        sectorSize_(sectorSize),
        blockDevice_(blockDevice) {
    struct hd_geometry geometry {};
    if (blockDevice && ::ioctl(fd, HDIO_GETGEO, &geometry) == 0)
      sectorsPerTrack_ = geometry.sectors;
  }
  ~TXPosixDevice() override {
    if (directFd_ >= 0) ::close(directFd_);
    ::close(fd_);
  }

  const std::string& Path() const override { return path_; }
  int64_t Size() const override { return size_; }
  uint32_t SectorSize() const override { return sectorSize_; }
  uint32_t SectorsPerTrack() const override { return sectorsPerTrack_; }
  int NativeHandle() const override { return fd_; }
  bool IsBlockDevice() const override { return blockDevice_; }
  void AdviseSequential(bool sequential) override { AdviseReading(fd_, sequential); }

  void ReadAhead(int64_t offset, int64_t size) override {
    if (!failed_) ReadAheadOf(fd_, offset, size);
  }

  void ReadPastCache() override { failed_ = true; }

  int64_t ReadAt(int64_t offset, void* buffer, int64_t count, int& error) override {
    const bool direct = ReadsDirect(offset, buffer, count);
    const int64_t done = ReadFrom(direct ? DirectHandle() : fd_, offset, buffer, count, error);
    if (done < 0) failed_ = true;
    return done;
  }

 private:
  static int64_t ReadFrom(int fd, int64_t offset, void* buffer, int64_t count, int& error) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
      ssize_t n = ::pread(fd, bytes + done, static_cast<size_t>(count - done), offset + done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error = errno;
        return -1;
      }
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  // A block device that has failed a read is read past the page cache (O_DIRECT) from then on,
  // in every aligned request, as rescue tools read: a failed buffered read is asked again page by
  // page by the kernel, a buffered read beside a bad sector fails with the page that holds it,
  // and the descriptor's read-ahead shrinks to single pages after a failure. A healthy device
  // stays in the cache, so that the files saved during a sweep are read from there, not again
  // from the card, and no read-ahead hint reaches a failing card.
  bool ReadsDirect(int64_t offset, const void* buffer, int64_t count) {
    if (!blockDevice_ || !failed_) return false;
    const uint64_t unit = sectorSize_;
    const bool aligned = static_cast<uint64_t>(offset) % unit == 0 &&
                         static_cast<uint64_t>(count) % unit == 0 &&
                         reinterpret_cast<uintptr_t>(buffer) % unit == 0;
    return aligned && DirectHandle() >= 0;
  }

  // Opened through /proc, so that a descriptor handed over by the disk service serves too.
  int DirectHandle() {
    if (directFd_ == kNotOpened) {
      const std::string self = "/proc/self/fd/" + std::to_string(fd_);
      directFd_ = ::open(self.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    }
    return directFd_;
  }

  static constexpr int kNotOpened = -2;

  std::string path_;
  int fd_;
  int64_t size_;
  uint32_t sectorSize_;
  bool blockDevice_;
  uint32_t sectorsPerTrack_ = 0;
  int directFd_ = kNotOpened;
  bool failed_ = false;
};

std::mutex openerMutex;
std::shared_ptr<const TXDeviceOpener> currentOpener;

std::shared_ptr<const TXDeviceOpener> Opener() {
  std::lock_guard lock(openerMutex);
  return currentOpener;
}

std::shared_ptr<const TXDeviceOpener> ExchangeOpener(std::shared_ptr<const TXDeviceOpener> next) {
  std::lock_guard lock(openerMutex);
  std::swap(currentOpener, next);
  return next;
}

// Sizes the medium behind an open descriptor, which the device owns from here on.
TXDeviceOpening DeviceOverDescriptor(const std::string& path, int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    int error = errno;
    ::close(fd);
    return {nullptr, error};
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    return {nullptr, EISDIR};
  }
  bool blockDevice = S_ISBLK(info.st_mode);
  int64_t size = info.st_size;
  uint32_t sectorSize = 512;
  if (blockDevice) {
    uint64_t bytes = 0;
    int logicalSector = 0;
    if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0) {
      int error = errno;
      ::close(fd);
      return {nullptr, error};
    }
    size = static_cast<int64_t>(bytes);
    if (::ioctl(fd, BLKSSZGET, &logicalSector) == 0 && logicalSector > 0) {
      sectorSize = static_cast<uint32_t>(logicalSector);
    }
  }
  return {std::make_unique<TXPosixDevice>(path, fd, size, sectorSize, blockDevice), 0};
}

}  // namespace

void AdviseReading(int fd, bool sequential) {
  ::posix_fadvise(fd, 0, 0, sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_NORMAL);
}

void ReadAheadOf(int fd, int64_t offset, int64_t size) {
  if (fd >= 0 && size > 0) ::posix_fadvise(fd, offset, size, POSIX_FADV_WILLNEED);
}

TXDeviceOpening OpenPlatformDevice(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {nullptr, errno};
  return DeviceOverDescriptor(path, fd);
}

TXDeviceOpening AdoptDeviceDescriptor(const std::string& path, int descriptor) {
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0) return {nullptr, errno};
  if ((flags & O_ACCMODE) != O_RDONLY) {
    ::close(descriptor);
    return {nullptr, EBADF};
  }
  return DeviceOverDescriptor(path, descriptor);
}

TXDeviceOpening OpenDevice(const std::string& path, TXAccessPrompt prompt) {
  auto opener = Opener();
  TXDeviceOpening opening = opener ? (*opener)(path) : OpenPlatformDevice(path);
  if (opening.Device || (opening.Error != EACCES && opening.Error != EPERM)) return opening;
  std::shared_ptr<IXDeviceAccessBroker> broker = DeviceAccessBroker();
  if (!broker) return opening;
  TXAccessGrant grant = broker->Grant(path, prompt);
  if (grant.Descriptor >= 0) return AdoptDeviceDescriptor(path, grant.Descriptor);
  opening.Refusal = grant.Refusal;
  opening.Reason = std::move(grant.Reason);
  if (grant.Refusal == TXAccessRefusal::arUnknownDevice) opening.Error = ENODEV;
  return opening;
}

TXDeviceOpenerScope::TXDeviceOpenerScope(TXDeviceOpener opener)
    : previous_(ExchangeOpener(std::make_shared<const TXDeviceOpener>(std::move(opener)))) {}

TXDeviceOpenerScope::~TXDeviceOpenerScope() {
  ExchangeOpener(previous_);
}

std::string OsErrorText(int error) {
  char buffer[256];
  return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace kova
