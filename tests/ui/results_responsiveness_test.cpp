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

// A thumbnail as the scan makes them: a 72 x 54 bitmap.
void MakeThumbnail(TXImageObject& thumbnail, int32_t seed) {
  TXBitmap32 bitmap(72, 54);
  for (int32_t y = 0; y < 54; ++y) {
    for (int32_t x = 0; x < 72; ++x) {
      bitmap.SetPixel(x, y,
                      MakeColor(static_cast<uint8_t>(x * 3 + seed), static_cast<uint8_t>(y * 4),
                                static_cast<uint8_t>(seed * 7)));
    }
  }
  ASSERT_TRUE(thumbnail.LoadFrom(bitmap));
}

// Fills the collection and posts one TXDRAddFileAspect per file, as fast as it can.
void Scan(TXDRFileCollection& files, TXObservable& announcer) {
  for (int32_t i = 0; i < kFileCount; ++i) {
    TXDRFileItem& item = *files.Add();
    const bool video = i % 50 == 49;
    item.Ext = video ? ".mov" : ".jpg";
    item.Name = FoundFileName(static_cast<uint32_t>(i + 1), item.Ext);
    item.EditBlocks().Add(int64_t{i} * 65536, 65536);
    if (!video) {
      item.Dimensions = {4000, 3000};
      MakeThumbnail(item.Thumbnail, i % 97);
    }
    announcer.Post(MakeSharedNotification<TXDRAddFileAspect>(&item));
  }
}

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
  std::thread scan([&] { Scan(files, announcer); });
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
