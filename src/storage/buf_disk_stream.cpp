#include "storage/buf_disk_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "framework/core_app.h"
#include "framework/error_data.h"

namespace kova {

namespace {

// The code of a read that failed for another reason than a vanished drive.
int32_t ReadFailureCode(int error) {
  const bool badPosition = error == EINVAL || error == ESPIPE || error == EOVERFLOW;
  return badPosition ? kErrSeek : kErrRead;
}

std::string AccessDenied(const std::string& path, const TXDeviceOpening& opening) {
  std::string text = path + ": permission denied";
  return opening.Reason.empty() ? text : text + " (" + opening.Reason + ")";
}

int32_t RoundedBufferSize(int32_t requested) {
  return std::max<int32_t>(512, requested - requested % 512);
}

// The drive as its rescue reader reads it, for the volume probes of an opening: sectors the map
// knows to be unreadable fail at once, and every read is a whole-sector read into an aligned
// buffer, so that a card that has failed is read past the cache as the stream reads it. A read
// fails unless every byte was read.
class TXRescuedDevice final : public IXBlockDevice {
 public:
  TXRescuedDevice(IXBlockDevice& device, TXRescueReader& reader)
      : device_(device), reader_(reader) {}

  const std::string& Path() const override { return device_.Path(); }
  int64_t Size() const override { return device_.Size(); }
  uint32_t SectorSize() const override { return device_.SectorSize(); }
  uint32_t SectorsPerTrack() const override { return device_.SectorsPerTrack(); }
  int NativeHandle() const override { return device_.NativeHandle(); }
  bool IsBlockDevice() const override { return device_.IsBlockDevice(); }

  int64_t ReadAt(int64_t offset, void* buffer, int64_t count, int& error) override {
    const int64_t sector = reader_.Sector();
    const int64_t start = offset - offset % sector;
    const int64_t span = (offset + count - start + sector - 1) / sector * sector;
    std::unique_ptr<uint8_t[], TXAlignedFree> bytes(static_cast<uint8_t*>(
        ::operator new[](static_cast<size_t>(span), std::align_val_t{kAlignment})));
    const TXAreaRead read = reader_.ReadArea(start, bytes.get(), span);
    if (read.Gone || read.Unreadable > 0) {
      error = read.Error != 0 ? read.Error : EIO;
      return -1;
    }
    const int64_t n = std::clamp<int64_t>(read.Count - (offset - start), 0, count);
    std::memcpy(buffer, bytes.get() + (offset - start), static_cast<size_t>(n));
    return n;
  }

 private:
  static constexpr size_t kAlignment = 4096;
  struct TXAlignedFree {
    void operator()(uint8_t* bytes) const {
      ::operator delete[](bytes, std::align_val_t{kAlignment});
    }
  };

  IXBlockDevice& device_;
  TXRescueReader& reader_;
};

}  // namespace

std::string DevicePathOf(const std::string& drive) {
  std::string path = drive;
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

std::unique_ptr<IXBlockDevice> TXBufDiskStream::OpenDrive(const std::string& drive) {
  ClearThreadError();
  std::string path = DevicePathOf(drive);
  TXDeviceOpening opening = OpenDevice(path);
  if (opening.Device) return std::move(opening.Device);
  int error = opening.Error;
  if (MeansDeviceGone(error)) {
    RaiseThreadError(kErrNotReady, error, path + ": no such drive, or no medium in it");
  }
  if (error == EACCES || error == EPERM)
    RaiseThreadError(kErrAccessDenied, error, AccessDenied(path, opening));
  RaiseThreadError(kErrOsError, error,
                   "Cannot create file \"" + path + "\". " + OsErrorText(error));
}

TXBufDiskStream::TXBufDiskStream(const std::string& drive, int32_t bufferSize,
                                 std::shared_ptr<TXBadSectorMap> map, uint16_t codePage)
    : TXCustomBufStream(nullptr, RoundedBufferSize(bufferSize), false),
      drive_(drive),
      device_(OpenDrive(drive)),
      reader_(std::make_unique<TXRescueReader>(*device_, std::move(map))) {
  SetBadSectors(reader_->SharedMap());
  diskInfo_.RootPath = DevicePathOf(drive);
  // A drive that knows no size of its own is probed as it is (the reader reads nothing yet).
  TXRescuedDevice rescued(*device_, *reader_);
  IXBlockDevice& probed = device_->Size() > 0 ? static_cast<IXBlockDevice&>(rescued) : *device_;
  diskInfo_.QueryVolume(probed, codePage);
  if (diskInfo_.TotalSpace == 0) diskInfo_.QueryGeometry(probed);
  diskInfo_.DiskSize = device_->Size();
  SetSize(diskInfo_.DiskSize);
}

void TXBufDiskStream::SetSize(int64_t size) {
  TXCustomBufStream::SetSize(size);
  reader_->SetSize(size);
}

void TXBufDiskStream::AdviseSequential(bool sequential) {
  device_->AdviseSequential(sequential);
  SetBufferSize(sequential ? kDriveScanWindowSize : kMediumWindowSize);
}

void TXBufDiskStream::ReadAhead(int64_t offset, int64_t size) {
  device_->ReadAhead(offset, size);
}

void TXBufDiskStream::FillWindow() {
  const int64_t start = BeginFill();
  uint64_t ticks = 0;
  CoreApp().StartTicks(ticks);
  const TXAreaRead read = reader_->ReadArea(start, WindowData(), BufferSize());
  CoreApp().ElapsedTicks(ticks);
  if (static_cast<int64_t>(ticks) > SlowReadMs && OnSlowRead) {
    OnSlowRead(*this, static_cast<int64_t>(ticks));
  }
  if (read.Gone) {
    FailFill(kErrNotReady, read.Error, Where(start) + ": the drive is gone");
  } else if (read.Unreadable == 0) {
    EndFill(read.Count);
  } else {
    ReportUnreadable();
    // Sectors known bad from before are not asked for again, so no request may have failed.
    const int error = read.Error != 0 ? read.Error : EIO;
    HoledFill(read.Count, ReadFailureCode(error), error,
              Where(read.FirstUnreadable) + ": " + OsErrorText(error));
  }
}

void TXBufDiskStream::ReportUnreadable() const {
  if (Figures)
    Figures->SetUnreadable(BadSectors()->BadAreaCount(), BadSectors()->UnreadableBytes());
}

std::string TXBufDiskStream::Where(int64_t offset) const {
  return device_->Path() + " at offset " + std::to_string(offset);
}

}  // namespace kova
