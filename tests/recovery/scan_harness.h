#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/headless_loop.h"
#include "recovery/recovery_aspects.h"
#include "run/dr_worker_gear.h"
#include "run/work_command.h"

namespace kova::test {

// A worker gear on an engine of its own headless loop, and what its observers see of a run: the
// files added (in the order announced), progress positions, the end of the thread.
class ScanHarness {
 public:
  // The scans decode their thumbnails with four threads, more than a small machine has cores.
  ScanHarness() {
    gear.Data().Threads = 4;
    gear.AddObserver(TXHandler(this, "watch", [this](AXNotification& n) { Watch(n); }));
  }
  ~ScanHarness() { gear.RemoveObserversOf(this); }

  // Starts a scan of an image file (or of a drive) and waits for the thread's end.
  bool ScanImage(const std::string& image) {
    return Run(MakeRef<TXDRScanImageFileWorkCommand>(&gear, image));
  }
  bool ScanDrive(const std::string& drive, int64_t size = 0) {
    return Run(MakeRef<TXDRDiskDeepScanWorkCommand>(&gear, drive, size));
  }
  bool Start(TXRef<TXCommand> command) {
    ended = false;
    gear.ExecuteCommand(*command);
    return gear.IsRunning();
  }
  bool WaitForEnd(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    return loop.RunUntil([this] { return ended; }, timeout);
  }
  bool Run(TXRef<TXCommand> command) { return Start(std::move(command)) && WaitForEnd(); }

  TXDRFileCollection& Files() { return *gear.Data().Files; }
  // The collection's item with the name, or nullptr.
  const TXDRFileItem* Find(std::string_view name) {
    for (int32_t i = 0; i < Files().Count(); ++i)
      if (Files()[i]->Name == name) return Files()[i];
    return nullptr;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < Files().Count(); ++i)
      names.push_back(Files()[i]->Name);
    return names;
  }

  TXHeadlessLoop loop;
  TXEngine engine{loop, "recovery"};
  TXDRWorkerGear& gear = engine.CreateGear<TXDRWorkerGear>();

  bool ended = false;
  std::string endName;
  int32_t endCode = -100;
  std::vector<TXDRFileItem*> added;
  std::vector<int32_t> positions;
  std::atomic<int> operationEnds{0};

 private:
  void Watch(AXNotification& n) {
    if (auto* a = n.AspectAs<TXDRAddFileAspect>()) {
      added.push_back(a->Item);
    } else if (auto* p = n.AspectAs<TXProgressChangedAspect>()) {
      positions.push_back(p->Position);
    } else if (auto* t = n.AspectAs<TXOperationThreadTerminatedAspect>()) {
      ended = true;
      endName = t->Name;
      endCode = t->ErrorData.Code;
    } else if (n.AspectAs<TXOperationTerminatedAspect>()) {
      ++operationEnds;
    }
  }
};

}  // namespace kova::test
