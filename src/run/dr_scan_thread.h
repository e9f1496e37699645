#pragma once

#include <cstdint>

#include "recovery/search.h"
#include "run/dr_thread.h"

namespace kova {

class AXNotification;

// The base of the scan threads. Its body opens the input and runs the scan; every file a finder
// offers on the worker (TXDRFoundFileAspect, dispatched on this thread) is filtered and copied
// into the run's collection here, and the user interface hears of it through a posted
// TXDRAddFileAspect. A run ends as a success when it met only damaged or truncated data (codes
// 12, 13, 39, 44); a failed input or a vanished drive ends it with that error.
class TXCustomDRScanThread : public TXCustomDRThread {
 public:
  TXCustomDRScanThread(TXRef<IXWorker> worker, TXDRData& data);
  ~TXCustomDRScanThread() override;

  TXSearch& Search() { return search_; }
  uint32_t Counter = 0;  // names the nameless found files

 protected:
  void Execute() override;
  // The scan itself, after the input was opened.
  virtual void Run() = 0;

 private:
  void OnFoundFile(AXNotification& notification);
  // Whether the run keeps the offered file.
  bool Wanted(const TXDRFileItem& offered) const;
  void End();

  TXSearch search_;
};

}  // namespace kova
