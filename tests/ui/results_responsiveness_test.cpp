#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#include "framework/aspects.h"
#include "framework/engine.h"
#include "recovery/file_collection.h"
#include "recovery/recovery_aspects.h"
#include "support/flooding_scan.h"
#include "ui/images_frm.h"
#include "ui/results_intake.h"
#include "ui/results_model.h"
#include "ui_test_skin.h"

// The results page while a scan floods it: twenty thousand found files posted from another
// thread through the engine's queue, as the scan thread posts them. The page's own clock is a
// test clock on which every look takes a millisecond, so how much work the page does before the
// event loop gets its turn back is the same on any machine, however busy.
namespace kova {
namespace {

using std::chrono::milliseconds;

constexpr int32_t kFileCount = 20000;

// Time passes only when the page looks at the clock: one millisecond a look.
class LookCountingClock {
 public:
  milliseconds Look() { return milliseconds(++looks_); }
  milliseconds Now() const { return milliseconds(looks_); }

 private:
  int64_t looks_ = 0;
};

TEST(ResultsResponsivenessTest, TwentyThousandPostedFilesAreTakenInOneSliceAtATime) {
  TXEngine engine;
  TXDRFileCollection files;
  TXObservable announcer;
  announcer.SetContainer(&engine);
  std::unique_ptr<TXDRImagesFrm> page(MakeFrame<TXDRImagesFrm>(test::TestSkin(), nullptr, &engine));
  LookCountingClock clock;
  page->Intake().SetClock([&clock] { return clock.Look(); });
  page->Subscribe(announcer, AspectClassOf<TXDRAddFileAspect>());
  page->resize(1280, 800);
  page->show();
  DispatchAspect<TXDialogInitDataAspect>(page->Observable());
  QCoreApplication::processEvents();

  // A timer of the loop that takes every turn it gets: the page time between two of its ticks
  // is how long the page kept the loop.
  milliseconds lastTick = clock.Now();
  milliseconds longestHold{0};
  int ticks = 0;
  QTimer watchdog;
  watchdog.setInterval(0);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    longestHold = std::max(longestHold, clock.Now() - lastTick);
    lastTick = clock.Now();
    ++ticks;
  });
  watchdog.start();
  std::thread scan([&] { test::FloodFoundFiles(files, announcer, kFileCount); });
  QEventLoop loop;
  QTimer done;
  QObject::connect(&done, &QTimer::timeout, [&] {
    if (page->Model().ItemCount() == kFileCount) loop.quit();
  });
  done.start(20);
  QTimer::singleShot(std::chrono::minutes(5), &loop, &QEventLoop::quit);  // only a hang gets here
  loop.exec();
  done.stop();
  scan.join();
  watchdog.stop();

  ASSERT_EQ(page->Model().ItemCount(), kFileCount);
  // A slice prepares files until its time is used up; the looks before and after it (the slice's
  // start, the showing) add a few milliseconds.
  EXPECT_LE(longestHold, TXDRResultsIntake::kSlice + milliseconds(4));
  EXPECT_GE(ticks, kFileCount / static_cast<int>(TXDRResultsIntake::kSlice.count()));
  EXPECT_EQ(page->Model().GroupItems(1).size(), static_cast<size_t>(kFileCount / 50));
  for (int32_t i = 0; i < files.Count(); i += 997)
    EXPECT_TRUE(files[i]->Thumbnail.IsEmpty());
  EXPECT_GT(files[0]->LargeImageIndex, 75);
  page.reset();
  QCoreApplication::processEvents();
}

}  // namespace
}  // namespace kova
