#include "run/deep_scan.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "framework/core_app.h"
#include "framework/error_data.h"
#include "recovery/block_scan.h"
#include "recovery/run_stopped.h"

namespace kova {

namespace {

// How many windows the reading runs ahead of the search.
constexpr int64_t kWindowsAhead = 2;
// The window the lost-folder searches read the medium with: they look at the first entries of
// every free cluster, which one page holds, and the search of the free space reads all of it
// afterwards; with the usual window they would read the whole free space first. A request costs
// the reader time of its own as well, so clusters smaller than kProbedCluster are read in the
// usual windows, several clusters a request.
constexpr int32_t kProbeWindow = 4096;
constexpr int64_t kProbedCluster = 32768;

// Reads the medium in small windows while it lives, when its clusters are large, then in the
// window it had before.
class TXProbeWindows {
 public:
  TXProbeWindows(TXCustomBufStream& medium, int64_t clusterBytes)
      : medium_(medium), previous_(medium.BufferSize()) {
    if (clusterBytes >= kProbedCluster) medium_.SetBufferSize(std::min(previous_, kProbeWindow));
  }
  ~TXProbeWindows() { medium_.SetBufferSize(previous_); }
  TXProbeWindows(const TXProbeWindows&) = delete;
  TXProbeWindows& operator=(const TXProbeWindows&) = delete;

 private:
  TXCustomBufStream& medium_;
  int32_t previous_;
};

// Asks the medium to read the next `count` bytes of the area after `from` in the background, so
// that the card reader works while the search and the decoders work on the window just read.
void ReadAheadIn(TXCustomBufStream& medium, const TXBlocks& area, int64_t from, int64_t count) {
  auto block = std::lower_bound(area.begin(), area.end(), from,
                                [](const TXBlock& b, int64_t pos) { return b.End() <= pos; });
  for (; block != area.end() && count > 0; ++block) {
    const int64_t start = std::max(block->Start, from);
    const int64_t size = std::min(block->End() - start, count);
    medium.ReadAhead(start, size);
    count -= size;
  }
}

}  // namespace

bool TXDRDeepScanThread::Stopped() const {
  return RunStopped(Worker());
}

void TXDRDeepScanThread::Run() {
  Name = "DeepScan";
  Counter = 0;
  TXDRData& data = Data();
  if (!data.IO || !data.IO->Stream())
    RaiseThreadError(kErrNotReady, 0, "no drive or image file is open");
  Search().SetSource(data.IO->Stream());
  data.Files->Clear();
  data.UsedBlocks.Clear();
  const int64_t mediumSize = data.IO->DiskInfo.DiskSize;
  Worker().Figures().SetTotal(mediumSize);
  searched_ = 0;
  data.Volumes.Open(*data.IO, data.CodePage);
  LearnUnitSizes(*data.IO, data.Volumes);
  Worker().Figures().SetMissing(data.Volumes.MissingBytes());
  if (data.Volumes.RecognisedCount() == 0) {
    IXProgress& progress = Worker().GetProgress();
    progress.BeginSection(100);
    searchWork_ = mediumSize;
    ScanRange(mediumSize);
    if (!Stopped()) progress.EndSection();
    return;
  }
  RecoverFromFileSystem(mediumSize);
}

void TXDRDeepScanThread::RecoverFromFileSystem(int64_t mediumSize) {
  TXDRData& data = Data();
  IXProgress& progress = Worker().GetProgress();
  if (Stopped()) return;
  progress.BeginSection(35);
  if (!ForEachFileSystem(&TXDRVolumeRecovery::RecoverFromDirectories)) return;
  progress.EndSection();
  progress.BeginSection(15);
  {
    TXProbeWindows probe(*data.IO->Stream(), data.IO->DiskInfo.ClusterSize);
    if (!ForEachFileSystem(&TXDRVolumeRecovery::RecoverLostFolders)) return;
  }
  progress.EndSection();
  data.Volumes.AddUsedExtents(data.UsedBlocks);
  progress.BeginSection(50);
  ScanFreeThenUsedArea(mediumSize);
  if (Stopped()) return;
  progress.EndSection();
}

bool TXDRDeepScanThread::ForEachFileSystem(
    void (TXDRVolumeRecovery::*recover)(IXWorker&, IXDRFoundFileSink&)) {
  IXProgress& progress = Worker().GetProgress();
  int32_t left = Data().Volumes.RecognisedCount();
  uint8_t share = static_cast<uint8_t>(100 / left);
  for (TXDRRunVolume& volume : Data().Volumes.Volumes()) {
    if (!volume.Recovery) continue;
    if (Stopped()) return false;
    progress.BeginSection(--left == 0 ? 100 - share * (Data().Volumes.RecognisedCount() - 1)
                                      : share);
    (volume.Recovery.get()->*recover)(Worker(), Queue());
    if (Stopped()) return false;
    progress.EndSection();
  }
  return true;
}

void TXDRDeepScanThread::ScanFreeThenUsedArea(int64_t mediumSize) {
  TXBlocks& used = Data().UsedBlocks;
  if (used.Empty()) {
    searchWork_ = mediumSize;
    ScanRange(mediumSize);
    return;
  }
  used.Normalize();
  const int64_t lastEnd = used.Last().Last();
  searchWork_ = mediumSize + lastEnd;
  IXProgress& progress = Worker().GetProgress();
  progress.BeginSection(50);
  ScanRange(mediumSize);
  if (Stopped()) return;
  progress.EndSection();
  // The area of the live files: what starts inside a file the directories described is part of
  // it and dropped, the others are new (files inside files of no catalogue type, files in the
  // slack of the last clusters). Finds are measured through everything up to the area's end, as
  // they lie; the free space between has been searched already and is not read again.
  progress.BeginSection(50);
  TXBlocks whole;
  whole.Add(0, lastEnd);
  TXBlocks starts;
  for (const TXBlock& block : used)
    starts.Add(block.Start, std::min(block.End(), lastEnd) - block.Start);
  used.Clear();
  ScanArea(whole, starts, lastEnd);
  if (Stopped()) return;
  progress.EndSection();
}

void TXDRDeepScanThread::ReportPosition(int64_t windowStart) {
  if (range_ <= 0) return;
  ReportSearched(searched_ + std::min(windowStart, range_));
  try {
    double percent = std::round(static_cast<double>(windowStart) / range_ * 100.0);
    Worker().GetProgress().SetPercent(static_cast<uint8_t>(std::clamp(percent, 0.0, 100.0)));
  } catch (const std::exception& error) {
    RecordException(error);
  }
}

void TXDRDeepScanThread::ScanRange(int64_t limit) {
  TXBlocks area;
  if (Data().UsedBlocks.Empty()) {
    area.Add(0, limit);
  } else {
    area.SetComplement(Data().UsedBlocks, limit);
  }
  ScanArea(area, area, limit);
}

void TXDRDeepScanThread::ScanArea(const TXBlocks& area, const TXBlocks& starts, int64_t limit) {
  TXCustomBufStream& medium = *Data().IO->Stream();
  range_ = limit;
  medium.AdviseSequential(true);
  if (Sink) Sink->PassBegins(starts);
  if (limit > 0) {
    medium.OnFill = [this, &starts](TXCustomBufStream& stream, int64_t start) {
      const int64_t window = stream.BufferSize();
      ReadAheadIn(stream, starts, start + window, window * kWindowsAhead);
      if (Sink) Sink->Swept(start + window);
      ReportPosition(start);
    };
  }
  struct PassEnd {
    TXDRDeepScanThread& thread;
    TXCustomBufStream& medium;
    ~PassEnd() {
      thread.range_ = 0;
      medium.OnFill = nullptr;
      medium.AdviseSequential(false);
    }
  } passEnd{*this, medium};
  if (Stopped()) return;
  ScanBlocks(Search(), medium, area, starts, Taken(), Queue());
  if (Stopped()) return;
  if (Sink) Sink->Swept(limit);
  searched_ += limit;
  ReportSearched(searched_);
}

void TXDRDeepScanThread::ReportSearched(int64_t searched) {
  if (searchWork_ <= 0) return;
  // The figures tell how much of the medium's search is done, in bytes of the medium, whether
  // the search reads some of it twice or not.
  TXRunFigures& figures = Worker().Figures();
  const double share = static_cast<double>(searched) / static_cast<double>(searchWork_);
  figures.ReachDone(std::llround(share * static_cast<double>(figures.Read().Total)));
}

}  // namespace kova
