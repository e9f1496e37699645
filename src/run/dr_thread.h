#pragma once

#include <cstdint>
#include <string>

#include "framework/worker_thread.h"
#include "run/run_data.h"

namespace kova {

// The base of the recovery threads (scan, restore, disk image): which input the run reads and
// how it is opened. The command that creates the thread fills the input fields before it starts.
class TXCustomDRThread : public TXWorkerThread<TXDRData> {
 public:
  using TXWorkerThread<TXDRData>::TXWorkerThread;

  // Opens the named input as the run data's input: the drive when DrivePath is set, else the
  // image file. True without opening anything when the command named no input. A failure (or a
  // drive of unknown size without a size chosen by the user, code 11) ends the worker with the
  // thread's error record and answers false.
  bool OpenInput();

  std::string Name;  // the operation name given to the worker
  bool HasInput = false;
  std::string ImageFileName;
  std::string DrivePath;
  int64_t SizeOverride = 0;  // the size chosen for a drive that reports none; 0 for none

 private:
  bool OpenDrive();
};

}  // namespace kova
