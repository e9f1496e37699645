// A fuzzed medium through the whole recovery run as the program starts it: the scan thread of a
// worker gear on an engine of a headless loop, reading the bytes as a card image file.
#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/error_data.h"
#include "framework/headless_loop.h"
#include "fuzz_support.h"
#include "recovery/recovery_aspects.h"
#include "run/dr_worker_gear.h"
#include "run/work_command.h"

namespace kova {
namespace {

class ScanRunner {
 public:
  ScanRunner() {
    gear_.AddObserver(TXHandler(this, "ended", [this](AXNotification& n) {
      if (n.AspectAs<TXOperationThreadTerminatedAspect>()) ended_ = true;
    }));
  }
  ~ScanRunner() { gear_.RemoveObserversOf(this); }

  void Scan(const std::string& image) {
    ended_ = false;
    TXRef<TXCommand> command = MakeRef<TXDRScanImageFileWorkCommand>(&gear_, image);
    gear_.ExecuteCommand(*command);
    if (!gear_.IsRunning()) return;
    // The fuzzer's own timeout reports a scan that never ends.
    while (!loop_.RunUntil([this] { return ended_; }, std::chrono::seconds(60))) {
    }
  }

 private:
  TXHeadlessLoop loop_;
  TXEngine engine_{loop_, "recovery"};
  TXDRWorkerGear& gear_ = engine_.CreateGear<TXDRWorkerGear>();
  bool ended_ = false;
};

}  // namespace
}  // namespace kova

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kova::ScanRunner runner;
  runner.Scan(kova::fuzz::WriteImage(data, size).string());
  kova::ClearThreadError();
  return 0;
}
