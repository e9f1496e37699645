// The longest time the results page holds the user-interface loop while a scan floods it: twenty
// thousand found files with thumbnails posted from another thread through the engine's queue, as
// the scan thread posts them. A timer that wants every turn of the loop measures the gaps
// between its ticks on the wall clock and in the processor time of the loop's thread (the page's
// own doing, whatever else the machine runs). Runs on Qt's offscreen platform.
// Usage: bench_results_loop DATA_FOLDER [FILES]
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "recovery/file_collection.h"
#include "results_page.h"
#include "support/flooding_scan.h"
#include "ui/results_model.h"

namespace {

using namespace kova;

constexpr double kTargetMs = 100;

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t count = argc > 2 ? std::stoi(argv[2]) : 20000;
  bench::TXBenchApplication application(argv);
  TXEngine engine;
  TXDRFileCollection files;
  TXObservable announcer;
  announcer.SetContainer(&engine);
  bench::TXBenchResultsPage results(engine, announcer);
  TXDRImagesFrm* page = &results.Page();

  QElapsedTimer clock;
  qint64 lastTick = 0;
  qint64 longestWall = 0;
  double lastCpu = 0;
  double longestCpu = 0;
  QTimer watchdog;
  watchdog.setTimerType(Qt::PreciseTimer);
  watchdog.setInterval(0);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longestWall = std::max(longestWall, now - lastTick);
    lastTick = now;
    const double cpu = ThreadCpuMs();
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    lastCpu = cpu;
  });
  clock.start();
  lastCpu = ThreadCpuMs();
  watchdog.start();
  std::thread scan([&] { test::FloodFoundFiles(files, announcer, count); });
  QEventLoop loop;
  QTimer done;
  QObject::connect(&done, &QTimer::timeout, [&] {
    if (page->Model().ItemCount() == count) loop.quit();
  });
  done.start(20);
  loop.exec();
  done.stop();
  scan.join();
  const qint64 total = clock.elapsed();
  watchdog.stop();
  results.Close();

  std::printf("%d files posted: all shown after %lld ms\n", count, static_cast<long long>(total));
  std::printf(
      "longest hold of the loop: %lld ms on the wall clock, %.1f ms of the thread's "
      "processor time\n",
      static_cast<long long>(longestWall), longestCpu);
  std::printf("results_loop: %lld ms (target %.0f ms)\n", static_cast<long long>(longestWall),
              kTargetMs);
  return 0;
}
