#pragma once

#include <cstdint>
#include <string>

#include "framework/aspect.h"
#include "framework/error_data.h"
#include "run/dr_thread.h"

namespace kova {

class IXWorker;
class TXDRFileCollection;
class TXDRFileItem;
class TXStream;

// How one checked file came out of a restore.
enum TXRestoreResult : uint8_t {
  rrSaved = 0,    // every byte written
  rrDamaged = 1,  // written, but unreadable stretches of the medium are zeros or it was cut short
                  // at the end of the medium
  rrFailed = 2,   // the file could not be created or written completely; nothing of it is left
};

// One checked file has had its turn. Posted through the restore's worker, so observers of the
// worker gear see it on the engine's thread, in the order of the collection.
class TXDRFileRestoredAspect : public TXCustomAspect {
 public:
  TXDRFileRestoredAspect(const TXDRFileItem* item, std::string fileName, uint8_t result,
                         TXErrorData error, int64_t unreadable = 0)
      : Item(item),
        FileName(std::move(fileName)),
        Result(result),
        Error(std::move(error)),
        Unreadable(unreadable) {}
  const TXDRFileItem* Item;  // the collection's item (not owned)
  std::string FileName;      // the file written; empty for a failed file
  uint8_t Result;
  TXErrorData Error;   // why the file is damaged or failed
  int64_t Unreadable;  // bytes of a damaged file that are zeros for want of a reading
};

// What a restore wrote.
struct TXRestoreTally {
  int32_t Saved = 0;
  int32_t Damaged = 0;
  int32_t Failed = 0;
  int64_t Bytes = 0;         // bytes of the files saved or damaged
  int64_t Unreadable = 0;    // bytes of the damaged files that are zeros
  TXErrorData FirstFailure;  // the record of the first failed file
  bool SourceGone = false;   // the medium vanished; the remaining files were not tried
};

// Writes every checked file of the collection into the folder (flat, or in the card's folders:
// see TXRestorePaths), in collection order, under its name made safe for the folder and by the
// collision rule (an existing file is never replaced), with the modification time the item
// carries (the time of the restore when it carries none).
// A file that fails does not stop the others; a vanished medium, a terminated worker and the
// application's shutdown do. Progress goes to round((i + 1) / count * 1000) per mille after each
// item, checked or not; the worker's figures count the bytes written of the checked files'
// total as they are written, and the files saved (damaged ones included) and failed.
TXRestoreTally RestoreFiles(const std::string& folder, const TXDRFileCollection& files,
                            TXStream& stream, IXWorker& worker, bool keepFolders = false);

// The restore run: opens the source when the command named one (a drive; a parsed image file is
// read through the input the scan left open) and restores the run's checked files into
// RestoreFolder. The worker is named "Restore". The run succeeds when every checked file was
// written, also when the medium had unreadable stretches; it ends with code 11 when the medium
// vanished, with the input's error when it could not be opened, and with code 45 and a text
// naming the count and the first reason when files could not be written.
class TXDRRestoreFilesThread : public TXCustomDRThread {
 public:
  using TXCustomDRThread::TXCustomDRThread;
  ~TXDRRestoreFilesThread() override;

  std::string RestoreFolder;
  bool KeepFolders = false;  // the card's folders below RestoreFolder, else every file in it

 protected:
  void Execute() override;

 private:
  TXRestoreTally Restore();
  TXErrorData Outcome(const TXRestoreTally& tally) const;
};

}  // namespace kova
