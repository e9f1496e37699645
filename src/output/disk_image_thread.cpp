#include "output/disk_image_thread.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <filesystem>

#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/error_data.h"
#include "framework/notification.h"
#include "framework/stream.h"
#include "output/image_space.h"
#include "output/restore_files.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_io.h"
#include "storage/platform_device.h"
#include "storage/platform_volume.h"

namespace kova {

namespace {

constexpr int64_t kZerosChunk = 1 << 20;

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool IsBlockDevice(const std::string& path) {
  struct stat facts {};
  return ::stat(path.c_str(), &facts) == 0 && S_ISBLK(facts.st_mode);
}

// Writing the image there could change the drive being copied.
bool ImageOnSource(const std::string& image, const std::string& drive) {
  if (SameFile(image, drive)) return true;
  return IsBlockDevice(drive) && SameDrive(image, drive);
}

// "card.bin" is written as "card.incomplete.bin" until it is whole.
std::string IncompleteName(const std::string& imagePath) {
  const std::filesystem::path path(imagePath);
  return (path.parent_path() / path.stem()).string() + ".incomplete" + path.extension().string();
}

std::string ReasonOf(const TXErrorData& error) {
  if (error.OSError != 0) return OsErrorText(error.OSError);
  return error.Text.empty() ? std::to_string(error.Code) : error.Text;
}

}  // namespace

TXDRDiskImageThread::TXDRDiskImageThread(TXRef<IXWorker> worker, TXDRData& data)
    : TXCustomDRThread(std::move(worker), data) {}

TXDRDiskImageThread::~TXDRDiskImageThread() {
  // The body uses this object: it must have stopped before the members go.
  Stop();
}

void TXDRDiskImageThread::Execute() {
  Name = "ImageFile";
  ClearThreadError();
  Data().ImageFile.clear();
  Worker().GetProgress().Reset();
  Worker().SetName(Name);
  try {
    if (DrivePath.empty()) {
      SetThreadError(kErrNotReady, 0, "no drive to copy was given");
    } else if (OpenInput()) {
      Copy();
    }
  } catch (const std::exception& error) {
    RecordException(error);
  } catch (...) {
    SetThreadErrorIfNone(kErrOsError, 0, "unknown failure");
  }
  Data().DiskIO.Close();
  if (CoreApp().IsTerminating()) {
    DropEndCallback();
    return;
  }
  Finish();
}

void TXDRDiskImageThread::Copy() {
  TXDiskIO& drive = Data().DiskIO;
  const int64_t size = drive.DiskInfo.DiskSize;
  CheckSpace(size);
  std::unique_ptr<TXFileStream> image = CreateImage();
  started_ = true;
  PostLog(Lg().Format(lg::kImageLogStart, {ImagePath}));
  TXCustomBufStream& source = *drive.Stream();
  const int64_t unit = drive.DiskInfo.UnitSize();
  dialog_.Reset();
  dialog_.UnitSize = unit;
  dialog_.TotalUnits = (size + unit - 1) / unit;
  chunk_ = std::min(unit, size);
  unit_ = 0;
  remaining_ = size;
  Worker().Figures().SetTotal(size);
  try {
    CopyUnits(source, *image);
  } catch (const std::exception& error) {
    RecordException(error);
  }
  Settle(std::move(image), size);
}

void TXDRDiskImageThread::CheckSpace(int64_t size) {
  const std::string shortage = ImageSpaceShortage(ImagePath, size);
  if (shortage.empty()) return;
  PostLog(shortage);
  RaiseThreadError(kErrWrite, ENOSPC, shortage);
}

std::unique_ptr<TXFileStream> TXDRDiskImageThread::CreateImage() {
  try {
    if (ImageOnSource(ImagePath, DrivePath))
      RaiseThreadError(kErrFileAccessDenied, 0, Lg().Format(lg::kImageOnSourceDrive, {DrivePath}));
    std::unique_ptr<TXFileStream> image = CreateUniqueFile(IncompleteName(ImagePath), workName_);
    if (!image) throw EXError(ThreadError().Code);
    return image;
  } catch (const std::exception&) {
    PostLog(Lg().Format(lg::kImageCannotCreate, {ImagePath, ReasonOf(ThreadError())}));
    throw;
  }
}

void TXDRDiskImageThread::Settle(std::unique_ptr<TXFileStream> image, int64_t size) {
  const bool written = ThreadError().Code != kErrWrite && WriteTrailer(*image, size);
  image.reset();
  std::error_code error;
  if (!written) {
    std::filesystem::remove(workName_, error);
    fate_ = Lg().Format(lg::kImageLogRemoved, {workName_});
    return;
  }
  if (remaining_ > 0) {
    Data().ImageFile = workName_;
    fate_ = Lg().Format(lg::kImageLogIncomplete,
                        {FormatByteSize(size - remaining_), FormatByteSize(size), workName_});
    return;
  }
  std::filesystem::rename(workName_, ImagePath, error);
  if (error) {
    SetThreadErrorIfNone(kErrWrite, error.value(), workName_ + " -> " + ImagePath);
    Data().ImageFile = workName_;
    return;
  }
  Data().ImageFile = ImagePath;
}

bool TXDRDiskImageThread::WriteTrailer(TXFileStream& image, int64_t size) {
  TXDiskInfoRecord trailer = Data().DiskIO.DiskInfo;
  if (remaining_ > 0) trailer.CopiedBytes = size - remaining_;
  const std::string xml = trailer.ToXml();
  try {
    image.WriteBuffer(xml.data(), static_cast<int64_t>(xml.size()));
    return true;
  } catch (const std::exception& error) {
    if (ThreadError().Code == kErrNone || IsBenignMediaError(ThreadError().Code))
      RecordException(error);
    return false;
  }
}

bool TXDRDiskImageThread::ShouldStop() const {
  return CoreApp().IsTerminating() || TerminateRequested() || Worker().IsTerminated();
}

void TXDRDiskImageThread::CopyUnits(TXCustomBufStream& source, TXFileStream& image) {
  const int64_t size = source.Size();
  while (remaining_ > 0 && !ShouldStop()) {
    const int64_t n = std::min(chunk_, remaining_);
    std::span<const uint8_t> bytes;
    bool failed = false;
    try {
      bytes = ReadUnit(source, unit_ * chunk_, n);
    } catch (const EXError& error) {
      if (error.Code() == kErrNotReady) throw;
      failed = true;
    }
    if (failed) {
      if (!WriteFailedUnit(image)) return;
    } else {
      PostBadRange();
      WriteGoodUnits(bytes, image);
    }
    ShowProgress(size);
  }
}

std::span<const uint8_t> TXDRDiskImageThread::ReadUnit(TXCustomBufStream& source, int64_t pos,
                                                       int64_t size) {
  const std::span<const uint8_t> window = source.WindowAt(pos);
  if (static_cast<int64_t>(window.size()) >= size) return window;
  // The unit runs into the next window.
  straddling_.resize(static_cast<size_t>(size));
  source.SetPosition(pos);
  source.ReadBuffer(straddling_.data(), size);
  return straddling_;
}

void TXDRDiskImageThread::WriteGoodUnits(std::span<const uint8_t> bytes, TXFileStream& image) {
  const int64_t available = std::min<int64_t>(static_cast<int64_t>(bytes.size()), remaining_);
  const int64_t take = available == remaining_ ? available : available - available % chunk_;
  image.WriteBuffer(bytes.data(), take);
  unit_ += (take + chunk_ - 1) / chunk_;
  remaining_ -= take;
}

bool TXDRDiskImageThread::WriteFailedUnit(TXFileStream& image) {
  if (dialog_.Choice != ecIgnoreAll) {
    AskAboutUnit();
    if (ShouldStop()) return false;
  }
  OpenBadRange();
  const int64_t skip = dialog_.SkipCount;
  if (dialog_.Choice == ecSkipSeveral && skip > 1) {
    PostBadRange();
    PostRangeLine(lg::kImageLogSkipped, unit_, unit_ + skip - 1);
  }
  if (dialog_.Choice == ecFinishReading) {
    SetThreadErrorIfNone(kErrFinishReading, 0, "the user chose to finish reading");
    throw EXError(ThreadError().Code);
  }
  const int64_t units = dialog_.Choice == ecSkipSeveral ? skip : 1;
  for (int64_t i = 0; i < units && remaining_ > 0; ++i) {
    const int64_t n = std::min(chunk_, remaining_);
    WriteZeros(image, n);
    ++unit_;
    remaining_ -= n;
    Worker().Figures().CountFailures();
  }
  return true;
}

void TXDRDiskImageThread::WriteZeros(TXFileStream& image, int64_t count) {
  if (zeros_.empty()) zeros_.resize(static_cast<size_t>(kZerosChunk));
  for (int64_t done = 0; done < count;) {
    const int64_t n = std::min(count - done, kZerosChunk);
    image.WriteBuffer(zeros_.data(), n);
    done += n;
  }
}

void TXDRDiskImageThread::AskAboutUnit() {
  dialog_.FailedUnit = unit_ + 1;
  Synchronize([this] { dialog_.Execute(); });
}

void TXDRDiskImageThread::ShowProgress(int64_t size) {
  if (size <= 0) return;
  Worker().Figures().ReachDone(size - remaining_);
  const double percent = std::round(static_cast<double>(unit_ * chunk_) * 100.0 / size);
  Worker().GetProgress().SetPercent(static_cast<uint8_t>(std::clamp(percent, 0.0, 100.0)));
}

void TXDRDiskImageThread::OpenBadRange() {
  if (badFirst_ < 0) badFirst_ = unit_;
  badLast_ = unit_;
}

void TXDRDiskImageThread::PostBadRange() {
  if (badFirst_ < 0) return;
  if (badFirst_ == badLast_) {
    PostUnitLine(lg::kImageLogBadCluster, badFirst_);
  } else {
    PostRangeLine(lg::kImageLogBadClusters, badFirst_, badLast_);
  }
  badFirst_ = badLast_ = -1;
  CheckErrorPolicy();
}

void TXDRDiskImageThread::PostLog(const std::string& line) {
  Worker().Post(MakeSharedNotification<TXLogStringAspect>(line));
}

void TXDRDiskImageThread::PostUnitLine(uint32_t id, int64_t a) {
  PostLog(Lg().Word(id) + ": " + std::to_string(a));
}

void TXDRDiskImageThread::PostRangeLine(uint32_t id, int64_t a, int64_t b) {
  PostLog(Lg().Word(id) + ": " + std::to_string(a) + "-" + std::to_string(b));
}

void TXDRDiskImageThread::Finish() {
  if (Worker().IsCancelled()) {
    SetThreadError(kErrCancelled);
  } else if (ThreadError().Code == kErrEndOfStream) {
    ClearThreadError();
  }
  try {
    PostBadRange();
  } catch (const std::exception& error) {
    RecordException(error);
  }
  const int32_t code = ThreadError().Code;
  if (code == kErrNone) PostLog(Lg().Word(lg::kImageLogFinished));
  if (code == kErrWrite && started_)
    PostLog(Lg().Format(lg::kImageWriteFailed, {ImagePath, ReasonOf(ThreadError())}));
  if (started_ && (code == kErrCancelled || code == kErrNotReady))
    PostUnitLine(lg::kImageLogLastWritten, unit_ - 1);
  if (code == kErrCancelled) PostLog(Lg().Word(lg::kImageLogStopped));
  if (code == kErrNotReady) {
    PostLog(Lg().Word(lg::kReadErrorTitle));
    PostLog(Lg().Word(lg::kDiskDisconnected));
  }
  if (!fate_.empty()) PostLog(fate_);
  Worker().Terminate(ThreadError());
}

}  // namespace kova
