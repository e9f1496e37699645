#include "output/disk_image_thread.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>

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
#include "storage/rescue_reader.h"

namespace kova {

namespace {

constexpr int64_t kZerosChunk = 1 << 20;
// The mapfile is written again after this many bytes copied, and after every unreadable unit.
constexpr int64_t kMapSaveBytes = 64 << 20;
// A resumed copy reads what is missing in requests of at most this many bytes.
constexpr int64_t kMissingChunk = 1 << 20;
constexpr size_t kMissingAlignment = 4096;

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
  const bool resumed = FindEarlierCopy(size);
  if (!resumed) CheckSpace(size);
  std::unique_ptr<TXFileStream> image = resumed ? OpenEarlierCopy(size) : CreateImage();
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
  if (!resumed) map_ = TXBadSectorMap(size);
  unsavedFrom_ = map_.BytesIn(TXSectorState::ssUntried);
  mapError_ = 0;
  Worker().Figures().SetTotal(size);
  try {
    if (resumed) {
      CopyMissing(drive.DiskStream()->Reader(), *image);
    } else {
      CopyUnits(source, *image);
    }
  } catch (const std::exception& error) {
    RecordException(error);
  }
  SaveMap();
  Settle(std::move(image), size);
}

// A copy of this drive that stopped early: its incomplete file and a mapfile of the drive's size
// beside the chosen name.
bool TXDRDiskImageThread::FindEarlierCopy(int64_t size) {
  const std::string incomplete = IncompleteName(ImagePath);
  std::error_code error;
  if (!std::filesystem::is_regular_file(incomplete, error)) return false;
  std::string reason;
  std::optional<TXBadSectorMap> map =
      TXBadSectorMap::LoadMapfile(ImageMapFileOf(ImagePath), reason);
  if (!map || map->Size() != size) return false;
  map_ = std::move(*map);
  workName_ = incomplete;
  return true;
}

std::unique_ptr<TXFileStream> TXDRDiskImageThread::OpenEarlierCopy(int64_t size) {
  if (ImageOnSource(ImagePath, DrivePath))
    RaiseThreadError(kErrFileAccessDenied, 0, Lg().Format(lg::kImageOnSourceDrive, {DrivePath}));
  auto image = std::make_unique<TXFileStream>(workName_, TXFileMode::fmOpenReadWrite);
  image->SetSize(size);  // the trailer of the earlier copy goes
  PostLog(Lg().Format(lg::kImageLogResumed,
                      {workName_, FormatByteSize(map_.BytesIn(TXSectorState::ssUntried))}));
  return image;
}

// Reads what the earlier copy never reached (its untried areas), straight through the drive's
// rescue reader, so that no byte the image holds is asked for again. A new unreadable area is
// logged by its first unit and put to the user as in a first copy: go on, skip units after it
// (they stay untried), or finish.
void TXDRDiskImageThread::CopyMissing(TXRescueReader& reader, TXFileStream& image) {
  const int64_t size = map_.Size();
  std::unique_ptr<uint8_t[], TXAlignedFree> buffer(static_cast<uint8_t*>(
      ::operator new[](static_cast<size_t>(kMissingChunk), std::align_val_t{kMissingAlignment})));
  int64_t from = 0;
  for (auto area = map_.NextArea(from, TXSectorState::ssUntried); area && !ShouldStop();
       area = map_.NextArea(from, TXSectorState::ssUntried)) {
    const int64_t n = std::min(area->Size, kMissingChunk);
    const TXAreaRead read = reader.ReadArea(area->Pos, buffer.get(), n);
    if (read.Gone) RaiseThreadError(kErrNotReady, read.Error, DrivePath + ": the drive is gone");
    from = area->Pos + n;
    if (read.Unreadable > 0) from = std::max(from, AnswerNewBadArea(read));
    if (ShouldStop()) return;
    image.Seek(area->Pos, TXSeekOrigin::soBeginning);
    image.WriteBuffer(buffer.get(), read.Count);
    TakeDriveStates(area->Pos, n);
    remaining_ = map_.BytesIn(TXSectorState::ssUntried);
    unit_ = (size - remaining_) / chunk_;
    Worker().Figures().ReachDone(size - remaining_);
    SaveMapEvery(kMapSaveBytes);
  }
  remaining_ = map_.BytesIn(TXSectorState::ssUntried);
  unit_ = (size - remaining_ + chunk_ - 1) / chunk_;
}

// Logs and asks about a read of a resumed copy that met unreadable sectors; answers where the
// copy goes on (past the units the user chose to skip). Finishing ends the copy.
int64_t TXDRDiskImageThread::AnswerNewBadArea(const TXAreaRead& read) {
  unit_ = read.FirstUnreadable / chunk_;
  SetThreadErrorIfNone(kErrRead, read.Error, DrivePath + ": unreadable sectors");
  if (dialog_.Choice != ecIgnoreAll) AskAboutUnit();
  PostUnitLine(lg::kImageLogBadCluster, unit_);
  Worker().Figures().CountFailures();
  if (dialog_.Choice == ecFinishReading) throw EXError(ThreadError().Code);
  if (dialog_.Choice != ecSkipSeveral || dialog_.SkipCount <= 1) return 0;
  PostRangeLine(lg::kImageLogSkipped, unit_, unit_ + dialog_.SkipCount - 1);
  return (unit_ + dialog_.SkipCount) * chunk_;
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
  Data().DiskIO.CountFreeSpace();
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
  const TXBadSectorMap& drive = *source.BadSectors();
  while (remaining_ > 0 && !ShouldStop()) {
    const int64_t pos = unit_ * chunk_;
    const std::span<const uint8_t> bytes = ReadUnit(source, pos, std::min(chunk_, remaining_));
    const int64_t good = GoodLead(drive, pos, bytes);
    if (good > 0) {
      PostBadRange();
      WriteGoodUnits(bytes.first(static_cast<size_t>(good)), image);
    } else if (!WriteFailedUnit(bytes, image)) {
      return;
    }
    ShowProgress(size);
    SaveMapEvery(kMapSaveBytes);
  }
}

// The whole units at the start of bytes (the last one may be cut by the end of the drive) in
// which nothing is unreadable.
int64_t TXDRDiskImageThread::GoodLead(const TXBadSectorMap& drive, int64_t pos,
                                      std::span<const uint8_t> bytes) const {
  const int64_t shown = std::min<int64_t>(static_cast<int64_t>(bytes.size()), remaining_);
  for (const TXSectorArea& area : drive.AreasWithin(pos, shown)) {
    if (IsUnreadableState(area.State)) return (area.Pos - pos) / chunk_ * chunk_;
  }
  return shown;
}

// A unit is read through the window: one whose sectors partly failed shows zeros in them and
// the bytes read elsewhere. Only a vanished drive raises.
std::span<const uint8_t> TXDRDiskImageThread::ReadUnit(TXCustomBufStream& source, int64_t pos,
                                                       int64_t size) {
  std::span<const uint8_t> window;
  try {
    window = source.WindowAt(pos);
  } catch (const EXError& error) {
    if (error.Code() == kErrNotReady) throw;
    window = source.WindowAt(pos);
  }
  if (static_cast<int64_t>(window.size()) >= size) return window;
  // The unit runs into the next window.
  straddling_.resize(static_cast<size_t>(size));
  std::copy(window.begin(), window.end(), straddling_.begin());
  const std::span<const uint8_t> next = ReadUnit(source, pos + static_cast<int64_t>(window.size()),
                                                 size - static_cast<int64_t>(window.size()));
  std::copy(next.begin(), next.begin() + (size - static_cast<int64_t>(window.size())),
            straddling_.begin() + static_cast<int64_t>(window.size()));
  return straddling_;
}

void TXDRDiskImageThread::WriteGoodUnits(std::span<const uint8_t> bytes, TXFileStream& image) {
  const int64_t take = std::min<int64_t>(static_cast<int64_t>(bytes.size()), remaining_);
  image.WriteBuffer(bytes.data(), take);
  map_.Mark(unit_ * chunk_, take, TXSectorState::ssFinished);
  unit_ += (take + chunk_ - 1) / chunk_;
  remaining_ -= take;
}

// The unit is written as read (zeros in its unreadable sectors) and the map takes the drive's
// states for it; units skipped on the user's word are zeros that were never asked for.
bool TXDRDiskImageThread::WriteFailedUnit(std::span<const uint8_t> bytes, TXFileStream& image) {
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
  const int64_t n = std::min(chunk_, remaining_);
  image.WriteBuffer(bytes.data(), n);
  TakeDriveStates(unit_ * chunk_, n);
  ++unit_;
  remaining_ -= n;
  Worker().Figures().CountFailures();
  const int64_t units = dialog_.Choice == ecSkipSeveral ? skip : 1;
  for (int64_t i = 1; i < units && remaining_ > 0; ++i) {
    const int64_t zeros = std::min(chunk_, remaining_);
    WriteZeros(image, zeros);
    ++unit_;
    remaining_ -= zeros;
    Worker().Figures().CountFailures();
  }
  SaveMap();
  return true;
}

void TXDRDiskImageThread::TakeDriveStates(int64_t pos, int64_t size) {
  const std::shared_ptr<TXBadSectorMap>& drive = Data().DiskIO.BadSectors();
  for (const TXSectorArea& area : drive->AreasWithin(pos, size))
    map_.Mark(area.Pos, area.Size, area.State);
}

void TXDRDiskImageThread::SaveMapEvery(int64_t bytes) {
  if (map_.BytesIn(TXSectorState::ssUntried) + bytes <= unsavedFrom_) SaveMap();
}

void TXDRDiskImageThread::SaveMap() {
  map_.CurrentPos = unit_ * chunk_;
  map_.Phase = remaining_ > 0 ? TXRescuePhase::rpCopying : TXRescuePhase::rpFinished;
  int error = 0;
  if (!map_.SaveMapfile(ImageMapFileOf(ImagePath), error,
                        "kova image " + DrivePath + " " + ImagePath) &&
      mapError_ == 0) {
    mapError_ = error;
    PostLog(Lg().Format(lg::kImageMapNotWritten, {ImageMapFileOf(ImagePath), OsErrorText(error)}));
  }
  unsavedFrom_ = map_.BytesIn(TXSectorState::ssUntried);
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
  if (started_ && map_.UnreadableBytes() > 0) {
    PostLog(Lg().Format(lg::kImageLogUnreadable,
                        {FormatByteSize(map_.UnreadableBytes()),
                         std::to_string(map_.BadAreaCount()), ImageMapFileOf(ImagePath)}));
  }
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
