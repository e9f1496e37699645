// The wizard's memory with a card of very many files: the results page, on Qt's offscreen
// platform, takes in every file that a scan of the card image finds, as in the wizard: the scan
// thread of a worker gear posts each found file through the engine's queue to the page on the
// user-interface loop. Once every file is shown, prints the files, the bytes their kept
// thumbnails take, and the process's peak resident memory (VmHWM of /proc/self/status).
// Usage: bench_memory_wizard IMAGE
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "results_page.h"
#include "run/dr_worker_gear.h"
#include "run/work_command.h"
#include "ui/results_images.h"
#include "ui/results_model.h"

namespace {

using namespace kova;

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmHWM:" && status >> value) return value;
    status.ignore(256, '\n');
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_memory_wizard IMAGE\n");
    return 2;
  }
  bench::TXBenchApplication application(argv);
  TXEngine engine;
  TXDRWorkerGear& gear = engine.CreateGear<TXDRWorkerGear>();
  bench::TXBenchResultsPage results(engine, gear);
  TXDRImagesFrm* page = &results.Page();

  bool ended = false;
  int32_t code = kErrNone;
  gear.AddObserver(TXHandler(&ended, "end", [&](AXNotification& n) {
    if (auto* end = n.AspectAs<TXOperationThreadTerminatedAspect>()) {
      code = end->ErrorData.Code;
      ended = true;
    }
  }));
  auto command = MakeRef<TXDRScanImageFileWorkCommand>(&gear, argv[1]);
  gear.ExecuteCommand(*command);

  QEventLoop loop;
  QTimer done;
  QObject::connect(&done, &QTimer::timeout, [&] {
    if (ended && page->Model().ItemCount() == gear.Data().Files->Count()) loop.quit();
  });
  done.start(50);
  loop.exec();
  gear.RemoveObserversOf(&ended);
  if (code != kErrNone) {
    std::fprintf(stderr, "the scan failed (code %d)\n", code);
    return 1;
  }

  std::printf("files shown: %d\n", page->Model().ItemCount());
  std::printf("kept thumbnails: %.1f MiB\n",
              static_cast<double>(page->Images().ThumbnailBytes()) / (1 << 20));
  std::printf("peak resident: %.1f MiB\n", static_cast<double>(PeakResidentKiB()) / 1024);
  return 0;
}
