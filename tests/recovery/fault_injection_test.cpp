#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "fat/card_fixture.h"
#include "fat/fat_recovery_fixture.h"
#include "recovery/scan_harness.h"
#include "storage/buf_stream.h"
#include "support/faulty_device.h"

// Whole scans of a real card through a device that fails: unreadable sectors in each of the
// card's structures, a card pulled mid-scan, very slow reads and cancels at random moments.
namespace kova {
namespace {

using namespace std::chrono_literals;
using test::FixtureCard;
using test::ScanHarness;

constexpr const char* kDrive = "/dev/kova-faulty";
// Opening the card reads this many windows (the device's facts and the volume) before the scan
// looks for a cancel; from then on the read under way when a cancel comes is the scan's last.
constexpr int kOpeningReads = 5;

// A FAT32 card whose boot sector, table, folders and photos lie in different windows of the
// medium, so that one unreadable sector damages only one of them.
class ScanFaultTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    mkcard::VolumeOptions options = test::Fat32Options(40 << 20, 1);
    options.reserved_sectors = 1024;  // the table starts in the medium's third window
    card_ = new FixtureCard(options);
    ASSERT_TRUE(card_->Formatted().ok());
    auto& card = card_->Builder();
    ASSERT_TRUE(card.MakeFolder("DCIM").ok());
    ASSERT_TRUE(card.MakeFolder("DCIM/100CANON", {}, {{}, 20000}).ok());
    for (uint32_t i = 1; i <= 5; ++i) {
      const std::string folder = i <= 3 ? "DCIM/" : "DCIM/100CANON/";
      const std::string name = folder + "IMG_000" + std::to_string(i) + ".JPG";
      const mkcard::Placement placement{{}, 4000 * i + (i > 3 ? 20000 : 0)};
      ASSERT_TRUE(card.WriteFile(name, test::Photo(640, 480, 70 + i), placement).ok());
    }
    ASSERT_TRUE(card.Delete("DCIM/IMG_0002.JPG").ok());
    ASSERT_TRUE(card_->Save().ok());

    // What a healthy scan finds, and how many reads it takes.
    auto plan = std::make_shared<TXFaultPlan>();
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.ScanDrive(kDrive));
    ASSERT_EQ(scan.endCode, kErrNone);
    healthyReads_ = plan->Reads;
    healthy_ = new std::vector<TXBlocks>;
    for (int32_t i = 0; i < scan.Files().Count(); ++i)
      healthy_->push_back(scan.Files()[i]->Blocks());
  }
  static void TearDownTestSuite() {
    delete card_;
    delete healthy_;
  }

  static std::string Image() { return card_->Image().string(); }
  static int64_t Offset(const char* path) {
    return static_cast<int64_t>(card_->Record(path).extents[0].offset);
  }

  // Every file of the manifest outside [start, end) of the medium is in the collection.
  static void ExpectFilesOutside(ScanHarness& scan, int64_t start, int64_t end) {
    int outside = 0;
    for (const mkcard::ManifestRecord& record : card_->Manifest().records) {
      if (record.folder) continue;
      const mkcard::Extent& e = record.extents[0];
      if (static_cast<int64_t>(e.offset + e.size) <= start ||
          static_cast<int64_t>(e.offset) >= end) {
        ++outside;
        EXPECT_GE(scan.Files().IndexOfBlocks(test::ExtentsOf(record)), 0) << record.path;
      }
    }
    EXPECT_GE(outside, 3);
  }
  // Everything in the collection is something the healthy scan found as well, and every file
  // was announced.
  static void ExpectOnlyHealthyFinds(ScanHarness& scan) {
    EXPECT_EQ(scan.added.size(), static_cast<size_t>(scan.Files().Count()));
    for (int32_t i = 0; i < scan.Files().Count(); ++i) {
      const TXBlocks& blocks = scan.Files()[i]->Blocks();
      EXPECT_NE(std::find(healthy_->begin(), healthy_->end(), blocks), healthy_->end())
          << scan.Files()[i]->Name;
    }
  }

  static FixtureCard* card_;
  static std::vector<TXBlocks>* healthy_;
  static int healthyReads_;
};
FixtureCard* ScanFaultTest::card_ = nullptr;
std::vector<TXBlocks>* ScanFaultTest::healthy_ = nullptr;
int ScanFaultTest::healthyReads_ = 0;

TEST_F(ScanFaultTest, AnUnreadableSectorAnywhereEndsAsSuccessAndLosesOnlyItsWindow) {
  const mkcard::ManifestVolume& volume = card_->Manifest().volume;
  const struct {
    const char* where;
    int64_t offset;
  } faults[] = {
      {"boot sector", 0},
      {"table", static_cast<int64_t>(volume.fat_offset) + 600},
      {"root folder", static_cast<int64_t>(volume.root_dir_offset)},
      {"camera folder",
       static_cast<int64_t>(card_->ClusterOffset(card_->Record("DCIM/100CANON").first_cluster))},
      {"photo", Offset("DCIM/IMG_0003.JPG") + 3000},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.where);
    auto plan = std::make_shared<TXFaultPlan>();
    plan->BadRanges.push_back({fault.offset, 512});
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.ScanDrive(kDrive));
    EXPECT_EQ(scan.endCode, kErrNone);
    EXPECT_EQ(scan.endName, "DeepScan");
    const int64_t window = fault.offset / kMediumWindowSize * kMediumWindowSize;
    ExpectFilesOutside(scan, window, window + kMediumWindowSize);
    ExpectOnlyHealthyFinds(scan);
  }
}

TEST_F(ScanFaultTest, ACardPulledMidScanEndsWithNotReadyAndKeepsWhatWasFound) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->VanishAfterReads = healthyReads_ * 3 / 4;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanDrive(kDrive));
  EXPECT_EQ(scan.endCode, kErrNotReady);
  EXPECT_GE(scan.Files().Count(), 1) << "the folders were read before the card went";
  ExpectOnlyHealthyFinds(scan);
  EXPECT_FALSE(scan.gear.IsRunning());
}

TEST_F(ScanFaultTest, AHangingReadKeepsTheLoopResponsiveAndACancelEndsTheScanWhenItReturns) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->HoldAtRead = kOpeningReads + 3;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
  ScanHarness scan;
  ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, kDrive)));
  plan->WaitUntilHeld();

  // The user-interface loop runs its timers while the scan thread waits on the card.
  bool ticked = false;
  scan.loop.StartTimer(20, [&] { ticked = true; });
  ASSERT_TRUE(scan.loop.RunUntil([&] { return ticked; }, 60s));
  EXPECT_EQ(plan->Reads, kOpeningReads + 3) << "the card still holds the scan";

  scan.gear.CancelRun();
  plan->Release();
  ASSERT_TRUE(scan.WaitForEnd());
  EXPECT_EQ(plan->Reads, kOpeningReads + 3) << "nothing more is read once the read returns";
  EXPECT_EQ(scan.endCode, kErrCancelled);
  ExpectOnlyHealthyFinds(scan);
}

TEST_F(ScanFaultTest, CancelAtRandomMomentsEndsCancelledWithAConsistentCollection) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> moment(kOpeningReads + 1, healthyReads_ - 1);
  for (int round = 0; round < 5; ++round) {
    const int cancelAt = moment(random);
    SCOPED_TRACE("cancelled during read " + std::to_string(cancelAt));
    auto plan = std::make_shared<TXFaultPlan>();
    plan->HoldAtRead = cancelAt;
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, kDrive)));
    plan->WaitUntilHeld();
    scan.gear.CancelRun();
    plan->Release();
    ASSERT_TRUE(scan.WaitForEnd());
    EXPECT_EQ(scan.endCode, kErrCancelled);
    EXPECT_EQ(plan->Reads, cancelAt);
    ExpectOnlyHealthyFinds(scan);
    EXPECT_FALSE(scan.gear.IsRunning());
  }
}

TEST_F(ScanFaultTest, ACancelRightAfterTheStartIsNotLostWhileTheThreadGetsGoing) {
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    auto plan = std::make_shared<TXFaultPlan>();
    // However fast the thread gets going, it cannot finish before the cancel is given.
    plan->HoldAtRead = healthyReads_ / 2;
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, kDrive)));
    scan.gear.CancelRun();
    plan->Release();
    ASSERT_TRUE(scan.WaitForEnd());
    EXPECT_EQ(scan.endCode, kErrCancelled);
    EXPECT_LE(plan->Reads, healthyReads_ / 2);
  }
}

TEST_F(ScanFaultTest, ACardThatCannotBeOpenedEndsWithItsErrorAndFindsNothing) {
  for (const auto& [error, code] :
       {std::pair{ENOMEDIUM, kErrNotReady}, {EACCES, kErrAccessDenied}}) {
    auto plan = std::make_shared<TXFaultPlan>();
    plan->OpenError = error;
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.ScanDrive(kDrive));
    EXPECT_EQ(scan.endCode, code) << error;
    EXPECT_EQ(scan.endName, "Scan");
    EXPECT_EQ(scan.Files().Count(), 0);
  }
}

}  // namespace
}  // namespace kova
