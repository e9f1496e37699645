#include "output/restore_thread.h"

#include <cmath>
#include <exception>
#include <filesystem>

#include "framework/core_app.h"
#include "framework/error_data.h"
#include "framework/notification.h"
#include "framework/worker_interfaces.h"
#include "output/restore_files.h"
#include "output/restore_paths.h"
#include "output/sweep_saver.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "recovery/file_collection.h"
#include "storage/platform_device.h"
#include "storage/platform_files.h"

namespace kova {

namespace {

bool ShouldStop(IXWorker& worker) {
  return CoreApp().IsTerminating() || worker.IsTerminated();
}

uint8_t ResultOf(bool saved, const TXErrorData& error) {
  if (!saved && (error.Code == kErrNotReady || !IsBenignMediaError(error.Code))) return rrFailed;
  return error.Code == kErrNone ? rrSaved : rrDamaged;
}

void Count(TXRestoreTally& tally, uint8_t result, const TXDRFileItem& item,
           const TXErrorData& error, TXRunFigures& figures) {
  if (result == rrFailed) {
    if (tally.Failed++ == 0) tally.FirstFailure = error;
    figures.CountFailures();
    return;
  }
  (result == rrSaved ? tally.Saved : tally.Damaged) += 1;
  if (result == rrDamaged) figures.CountDamaged();
  tally.Bytes += item.Size();
  figures.CountFile();
}

void SetPermille(IXWorker& worker, int32_t done, int32_t count) {
  const double permille = std::round(static_cast<double>(done) * 1000.0 / count);
  worker.GetProgress().SetPermille(static_cast<uint16_t>(permille));
}

std::string ReasonOf(const TXErrorData& error) {
  std::string reason = error.OSError != 0 ? OsErrorText(error.OSError) : error.Text;
  return reason.empty() ? std::to_string(error.Code) : reason;
}

// The copy the scan saved, under its final name, with the record of its copying; false (the
// copy left to the saver) when it could not be moved there.
bool TakeSweptCopy(TXDRSweepSaver* swept, const std::string& target, const TXDRFileItem& item,
                   std::string& savedName, TXErrorData& record, int64_t& unreadable) {
  const TXSweptCopy* copy = swept ? swept->CopyOf(item) : nullptr;
  if (!copy || !MoveToUniqueName(copy->Path, target, savedName)) return false;
  record = copy->Record;
  unreadable = copy->Unreadable;
  swept->Forget(item);
  return true;
}

// A file whose copy failed (a full disk, a write error, the medium gone) is removed, so that no
// file in the folder passes for a found file that it does not hold whole.
void RestoreFile(TXExtentCopier& copier, TXStream& stream, const std::string& target,
                 const TXDRFileItem& item, IXWorker& worker, TXRestoreTally& tally,
                 TXDRSweepSaver* swept) {
  std::string savedName;
  TXErrorData record;
  int64_t unreadable = 0;
  bool saved = TakeSweptCopy(swept, target, item, savedName, record, unreadable);
  if (saved) {
    worker.Figures().AddDone(item.Size());
  } else {
    saved = copier.SaveBlocksToFile(item.Blocks(), stream, target, savedName);
    record = ThreadError();
    unreadable = copier.Unreadable();
  }
  const uint8_t result = ResultOf(saved, record);
  if (result == rrFailed && !savedName.empty()) {
    std::error_code error;
    std::filesystem::remove(savedName, error);
    savedName.clear();
  }
  // The file keeps the time the card knows for it; one it cannot get is no failure of the copy.
  int timeError = 0;
  if (!savedName.empty() && item.Modified > 0) SetModifiedTime(savedName, item.Modified, timeError);
  Count(tally, result, item, record, worker.Figures());
  if (result != rrDamaged) unreadable = 0;
  tally.Unreadable += unreadable;
  tally.SourceGone = record.Code == kErrNotReady;
  worker.Post(MakeSharedNotification<TXDRFileRestoredAspect>(
      &item, savedName, result, result == rrSaved ? TXErrorData{} : record, unreadable));
}

}  // namespace

TXRestoreTally RestoreFiles(const std::string& folder, const TXDRFileCollection& files,
                            TXStream& stream, IXWorker& worker, bool keepFolders,
                            TXDRSweepSaver* swept) {
  TXRestoreTally tally;
  TXRunFigures& figures = worker.Figures();
  figures.SetTotal(files.CheckedSize());
  TXExtentCopier copier;
  copier.OnCopied = [&figures](int64_t bytes) { figures.AddDone(bytes); };
  const TXRestorePaths paths(folder, keepFolders, files);
  int error = 0;
  CreateFolderWithParents(folder, error);
  const int32_t count = files.Count();
  int64_t checkedBytes = 0;
  for (int32_t i = 0; i < count && !ShouldStop(worker); ++i) {
    const TXDRFileItem& item = *files.At(i);
    if (item.Checked) {
      RestoreFile(copier, stream, paths.PathOf(item, i), item, worker, tally, swept);
      if (tally.SourceGone) break;
      // A file that failed part way has had its turn all the same.
      checkedBytes += item.Size();
      figures.ReachDone(checkedBytes);
    }
    SetPermille(worker, i + 1, count);
  }
  return tally;
}

TXDRRestoreFilesThread::~TXDRRestoreFilesThread() {
  // The body uses this object: it must have stopped before the members go.
  Stop();
}

void TXDRRestoreFilesThread::Execute() {
  Name = "Restore";
  ClearThreadError();
  Worker().GetProgress().Reset();
  Worker().SetName(Name);
  const TXRestoreTally tally = Restore();
  if (CoreApp().IsTerminating()) {
    DropEndCallback();
    return;
  }
  Worker().Terminate(Outcome(tally));
}

TXRestoreTally TXDRRestoreFilesThread::Restore() {
  try {
    if (!OpenInput()) return {};
    TXCustomDiskIO* input = Data().IO;
    if (!input || !input->Stream())
      RaiseThreadError(kErrNotReady, 0, "no source is open to restore the files from");
    TXRestoreTally tally =
        RestoreFiles(RestoreFolder, *Data().Files, *input->Stream(), Worker(), KeepFolders, Swept);
    // The record holds the last file's outcome; only a vanished medium decides the run's.
    if (!tally.SourceGone) ClearThreadError();
    return tally;
  } catch (const std::exception& error) {
    RecordException(error);
  } catch (...) {
    SetThreadErrorIfNone(kErrOsError, 0, "unknown failure");
  }
  return {};
}

TXErrorData TXDRRestoreFilesThread::Outcome(const TXRestoreTally& tally) const {
  TXErrorData outcome = ThreadError();
  if (tally.SourceGone || !IsBenignMediaError(outcome.Code)) return outcome;
  if (tally.Failed == 0) return {};
  outcome.Code = kErrWrite;
  outcome.OSError = tally.FirstFailure.OSError;
  outcome.Text = Lg().Format(lg::kRestoreFilesFailed, {std::to_string(tally.Failed), RestoreFolder,
                                                       ReasonOf(tally.FirstFailure)});
  return outcome;
}

}  // namespace kova
