#include <gtest/gtest.h>

#include <thread>

#include "fat/card_fixture.h"
#include "fat/fat_recovery_fixture.h"
#include "framework/core_app.h"
#include "recovery/scan_harness.h"
#include "run/deep_scan.h"
#include "support/faulty_device.h"

namespace kova {
namespace {

using namespace std::chrono_literals;
using test::FixtureCard;
using test::ScanHarness;

// The view gear of a wizard: the user's cancel arrives on it.
struct View : TXGear, IXDRCancelSource {
  View() : TXGear("view") {}
  TXObservable& CancelObservable() override { return *this; }
};

// A FAT32 card with a few photos, saved once for the tests of this file.
class ScanThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat32Options(40 << 20, 1));
    ASSERT_TRUE(card_->Formatted().ok());
    ASSERT_TRUE(card_->Builder().MakeFolder("DCIM").ok());
    for (int i = 1; i <= 6; ++i) {
      std::string name = "DCIM/IMG_000" + std::to_string(i) + ".JPG";
      // The last three lie a few windows of the medium after the first three.
      mkcard::Placement placement{{}, i == 4 ? 8000u : 0u};
      ASSERT_TRUE(card_->Builder().WriteFile(name, test::Photo(640, 480, 40 + i), placement).ok());
    }
    ASSERT_TRUE(card_->Builder().Delete("DCIM/IMG_0006.JPG").ok());
    ASSERT_TRUE(card_->Save().ok());
  }
  static void TearDownTestSuite() { delete card_; }

  static std::string Image() { return card_->Image().string(); }
  static int64_t At(const char* path) {
    return static_cast<int64_t>(card_->Record(path).extents[0].offset);
  }

  static FixtureCard* card_;
};
FixtureCard* ScanThreadTest::card_ = nullptr;

TEST_F(ScanThreadTest, DriveScanReadsTheDeviceAndNamesTheRunDeepScan) {
  TXDeviceOpenerScope scope(
      FaultyDeviceOpener("/dev/kova-card", Image(), std::make_shared<TXFaultPlan>()));
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanDrive("/dev/kova-card"));
  EXPECT_EQ(scan.endName, "DeepScan");
  EXPECT_EQ(scan.endCode, kErrNone);
  EXPECT_EQ(scan.Names(),
            (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG",
                                      "IMG_0004.JPG", "IMG_0005.JPG", "!MG_0006.JPG"}));
  EXPECT_EQ(scan.gear.Data().IO, &scan.gear.Data().DiskIO);
  EXPECT_GE(scan.gear.Data().Elapsed, 0);
  EXPECT_LT(scan.gear.Data().Elapsed, 1.0 / 24);
  EXPECT_EQ(scan.operationEnds, 1);
  EXPECT_FALSE(scan.gear.IsRunning());
}

TEST_F(ScanThreadTest, InputThatCannotBeOpenedEndsTheRunWithItsError) {
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage((card_->Dir() / "missing.img").string()));
  EXPECT_EQ(scan.endName, "Scan");
  EXPECT_EQ(scan.endCode, kErrFileNotFound);
  EXPECT_EQ(scan.Files().Count(), 0);

  auto plan = std::make_shared<TXFaultPlan>();
  plan->OpenError = EACCES;
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-locked", Image(), plan));
  ASSERT_TRUE(scan.ScanDrive("/dev/kova-locked"));
  EXPECT_EQ(scan.endName, "Scan");
  EXPECT_EQ(scan.endCode, kErrAccessDenied);
}

// A device that cannot tell its size, as some card readers do.
class SizelessDevice final : public IXBlockDevice {
 public:
  explicit SizelessDevice(std::unique_ptr<IXBlockDevice> inner) : inner_(std::move(inner)) {}
  const std::string& Path() const override { return inner_->Path(); }
  int64_t Size() const override { return 0; }
  uint32_t SectorSize() const override { return 512; }
  int64_t ReadAt(int64_t offset, void* buffer, int64_t count, int& error) override {
    return inner_->ReadAt(offset, buffer, count, error);
  }

 private:
  std::unique_ptr<IXBlockDevice> inner_;
};

TEST_F(ScanThreadTest, DriveOfUnknownSizeNeedsTheChosenSize) {
  TXDeviceOpenerScope scope([](const std::string&) {
    TXDeviceOpening opening = OpenPlatformDevice(Image());
    opening.Device = std::make_unique<SizelessDevice>(std::move(opening.Device));
    return opening;
  });
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanDrive("/dev/kova-sizeless"));
  EXPECT_EQ(scan.endCode, kErrNotReady);
  EXPECT_EQ(scan.endName, "Scan");

  const int64_t size = static_cast<int64_t>(std::filesystem::file_size(Image()));
  ASSERT_TRUE(scan.ScanDrive("/dev/kova-sizeless", size));
  EXPECT_EQ(scan.endCode, kErrNone);
  EXPECT_EQ(scan.gear.Data().DiskIO.DiskInfo.DiskSize, size);
  EXPECT_EQ(scan.Files().Count(), 6);
}

TEST_F(ScanThreadTest, UnreadableSectorsEndTheScanAsASuccess) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->BadRanges.push_back({At("DCIM/IMG_0003.JPG"), 4096});
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", Image(), plan));
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanDrive("/dev/kova-card"));
  EXPECT_EQ(scan.endCode, kErrNone);
  EXPECT_EQ(scan.endName, "DeepScan");
  // The whole window of the medium around the bad range reads as zeros; the photos outside it
  // are found (by their entries or by their bytes).
  const int64_t windowStart = At("DCIM/IMG_0003.JPG") / kMediumWindowSize * kMediumWindowSize;
  const int64_t windowEnd = windowStart + kMediumWindowSize;
  int outside = 0;
  for (const mkcard::ManifestRecord& record : card_->Manifest().records) {
    if (record.folder) continue;
    const mkcard::Extent& e = record.extents[0];
    if (static_cast<int64_t>(e.offset + e.size) <= windowStart ||
        static_cast<int64_t>(e.offset) >= windowEnd) {
      ++outside;
      EXPECT_GE(scan.Files().IndexOfBlocks(test::ExtentsOf(record)), 0) << record.path;
    }
  }
  EXPECT_GE(outside, 2);
}

TEST_F(ScanThreadTest, VanishedDriveEndsTheScanAsAFailure) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->VanishAfterReads = 3;
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", Image(), plan));
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanDrive("/dev/kova-card"));
  EXPECT_EQ(scan.endCode, kErrNotReady);
}

TEST_F(ScanThreadTest, SecondCommandWhileAScanRunsDoesNothing) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->ReadDelay = 5ms;
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-slow", Image(), plan));
  ScanHarness scan;
  ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, "/dev/kova-slow")));
  TXCustomWorkerThread* running = scan.gear.Thread();
  scan.gear.ExecuteCommand(*MakeRef<TXDRScanImageFileWorkCommand>(&scan.gear, Image()));
  EXPECT_EQ(scan.gear.Thread(), running);
  ASSERT_TRUE(scan.WaitForEnd());
  EXPECT_EQ(scan.gear.Data().IO, &scan.gear.Data().DiskIO);
  EXPECT_EQ(scan.Files().Count(), 6);
}

TEST_F(ScanThreadTest, CancelKeepsWhatWasFoundAndEndsAsCancelled) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->ReadDelay = 15ms;
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-slow", Image(), plan));
  ScanHarness scan;
  View& view = scan.engine.CreateGear<View>();
  DispatchAspect<TXAssembleAspect>(scan.engine);
  ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, "/dev/kova-slow")));
  ASSERT_TRUE(scan.loop.RunUntil([&] { return !scan.added.empty(); }, 30s));
  DispatchAspect<TXActionCancelAspect>(view);
  ASSERT_TRUE(scan.WaitForEnd());
  EXPECT_EQ(scan.endCode, kErrCancelled);
  ASSERT_GE(scan.Files().Count(), 1);
  EXPECT_EQ(scan.Files()[0]->Name, "IMG_0001.JPG");
  EXPECT_EQ(scan.added.size(), static_cast<size_t>(scan.Files().Count()));
}

TEST_F(ScanThreadTest, ClosingTheApplicationDuringAScanAnnouncesNoEnd) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto plan = std::make_shared<TXFaultPlan>();
        plan->ReadDelay = 10ms;
        TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-slow", Image(), plan));
        ScanHarness scan;
        scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, "/dev/kova-slow"));
        scan.loop.RunUntil([&] { return !scan.added.empty(); }, 30s);
        CoreApp().Terminate();
        scan.gear.Thread()->Wait();
        scan.loop.ProcessPending();
        std::_Exit(scan.ended || scan.operationEnds != 0 ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(WorkerGear, ViewGearGoingFirstLeavesNoSubscriptionBehind) {
  ScanHarness scan;
  View& view = scan.engine.CreateGear<View>();
  DispatchAspect<TXAssembleAspect>(scan.engine);
  scan.engine.RemoveGear(view);
  // Nothing of the gone view gear is touched when the worker gear goes.
  EXPECT_FALSE(scan.gear.IsRunning());
}

TEST(RunData, ExtensionFilterIsSortedLowerCaseAndUnique) {
  TXDRData data;
  data.SetExtFilter({".JPG", ".avi", ".jpg", ".Cr2"});
  EXPECT_EQ(data.ExtFilter, (TXExtensionList{".avi", ".cr2", ".jpg"}));
  EXPECT_NE(data.Files, nullptr);
  TXDRFileCollection outside;
  data.AttachFiles(&outside);
  EXPECT_EQ(data.Files, &outside);
}

}  // namespace
}  // namespace kova
