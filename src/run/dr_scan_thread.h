#pragma once

#include <cstdint>

#include "recovery/found_extents.h"
#include "recovery/found_file_queue.h"
#include "recovery/search.h"
#include "run/dr_thread.h"
#include "run/sweep_sink.h"

namespace kova {

class AXNotification;

// The base of the scan threads. Its body opens the input and runs the scan; every file a finder
// offers on the worker (TXDRFoundFileAspect, dispatched on this thread) is filtered and copied
// into the run's collection here, and the user interface hears of it through a posted
// TXDRAddFileAspect. While the scan runs, the thread keeps the queue that it passes to the finders
// as their sink, so that their thumbnails are decoded on a pool of threads. A run ends as a
// success when it met only damaged or truncated data (codes 12, 13, 39, 44); a failed input or a
// vanished drive ends it with that error.
class TXCustomDRScanThread : public TXCustomDRThread {
 public:
  TXCustomDRScanThread(TXRef<IXWorker> worker, TXDRData& data);
  ~TXCustomDRScanThread() override;

  TXSearch& Search() { return search_; }
  uint32_t Counter = 0;  // names the nameless found files
  // Told of every file kept and of the sweep's course; none by default.
  IXDRSweepSink* Sink = nullptr;

 protected:
  void Execute() override;
  // The scan itself, after the input was opened.
  virtual void Run() = 0;

  // The queue of the scan in progress.
  TXDRFoundFileQueue& Queue() { return *queue_; }
  // The extents of every file offered so far and not dropped as a repeat, whatever its type.
  const TXDRFoundExtents& Taken() const { return taken_; }

 private:
  // Runs the scan with a queue, and lets the files found before a failure through.
  void RunWithQueue();
  void OnFoundFile(AXNotification& notification);
  // Whether the run takes the offered file (before its type is looked at).
  bool Takes(const TXDRFileItem& offered) const;
  void End();

  TXSearch search_;
  TXDRFoundFileQueue* queue_ = nullptr;
  TXDRFoundExtents taken_;
};

}  // namespace kova
