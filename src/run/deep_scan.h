#pragma once

#include <cstdint>

#include "recovery/volume_recovery.h"
#include "run/dr_scan_thread.h"

namespace kova {

// The recovery run: first what the file systems of the medium's volumes still describe (live,
// deleted and lost-folder files), then a signature search of the medium outside the live files
// (the free space of every volume and the space outside all volumes), and then of the area of
// the live files, for files that a scan format recognises at a 512-byte step. Extents are
// positions on the medium, so a file is found once whatever volume it lies in. A medium without
// a recognised file system is searched whole in one pass. Progress: 35 per cent for the
// directories, 15 for lost folders, 50 for the search. The run's figures count the files found and,
// in bytes of the medium, how much of the search is done.
class TXDRDeepScanThread : public TXCustomDRScanThread {
 public:
  using TXCustomDRScanThread::TXCustomDRScanThread;

  // The size of the area of the current pass, for the progress; 0 between passes.
  int64_t Range() const { return range_; }

 protected:
  void Run() override;

 private:
  bool Stopped() const;
  void RecoverFromFileSystem(int64_t mediumSize);
  // Runs the recovery step on every recognised file system, each in an equal share of the
  // current progress section; false when the run stopped.
  bool ForEachFileSystem(void (TXDRVolumeRecovery::*recover)(IXWorker&, IXDRFoundFileSink&));
  void ScanFreeThenUsedArea(int64_t mediumSize);
  // Searches [0, limit) of the medium outside the used space (all of it when there is none).
  void ScanRange(int64_t limit);
  // Searches the area of the medium (read as one stream) for finds that start in `starts`, a
  // part of it; `limit` is the end of both.
  void ScanArea(const TXBlocks& area, const TXBlocks& starts, int64_t limit);
  void ReportPosition(int64_t windowStart);
  // The search has covered this many bytes of its passes.
  void ReportSearched(int64_t searched);

  int64_t range_ = 0;
  int64_t searchWork_ = 0;  // the bytes of every pass of the search together
  int64_t searched_ = 0;    // the bytes of the passes done
};

}  // namespace kova
