#include "storage/buf_disk_stream.h"

#include <cerrno>

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
  diskInfo_.QueryVolume(*device_, codePage);
  if (diskInfo_.TotalSpace == 0) diskInfo_.QueryGeometry(*device_);
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
