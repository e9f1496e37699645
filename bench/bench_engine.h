#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/headless_loop.h"
#include "run/dr_worker_gear.h"

// What the benchmarks that run work commands share: a recovery engine of their own on a headless
// loop, which starts work commands and runs the loop until they end, and the check of a step.
namespace kova::bench {

// Ends the benchmark with a message when a step failed.
inline void Check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "%s failed\n", what.c_str());
  std::exit(1);
}

class TXBenchEngine {
 public:
  TXBenchEngine() {
    gear_.AddObserver(TXHandler(this, "end", [this](AXNotification& n) {
      if (auto* end = n.AspectAs<TXOperationThreadTerminatedAspect>()) {
        code_ = end->ErrorData.Code;
        ended_ = true;
      }
    }));
  }
  ~TXBenchEngine() { gear_.RemoveObserversOf(this); }
  TXBenchEngine(const TXBenchEngine&) = delete;
  TXBenchEngine& operator=(const TXBenchEngine&) = delete;

  void Start(TXRef<TXCommand> command) {
    ended_ = false;
    gear_.ExecuteCommand(*command);
  }
  // Runs the loop until the run ended or the time passed; true when it ended.
  bool RunFor(std::chrono::milliseconds time) {
    return loop_.RunUntil([this] { return ended_; }, time);
  }
  // The outcome code of the run that ended last.
  int32_t Code() const { return code_; }
  TXDRWorkerGear& Gear() { return gear_; }

 private:
  TXHeadlessLoop loop_;
  TXEngine engine_{loop_, "bench"};
  TXDRWorkerGear& gear_ = engine_.CreateGear<TXDRWorkerGear>();
  bool ended_ = false;
  int32_t code_ = kErrNone;
};

}  // namespace kova::bench
