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

TEST_F(ScanFaultTest, VerySlowReadsKeepTheLoopResponsiveAndCancelWorks) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->ReadDelay = 400ms;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
  ScanHarness scan;
  ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, kDrive)));
  ASSERT_TRUE(scan.loop.RunUntil([&] { return plan->Reads >= 3; }, 30s));

  // A timer of the user-interface loop fires on time although the scan thread waits on the card.
  bool ticked = false;
  const auto armed = std::chrono::steady_clock::now();
  scan.loop.StartTimer(20, [&] { ticked = true; });
  ASSERT_TRUE(scan.loop.RunUntil([&] { return ticked; }, 5s));
  EXPECT_LT(std::chrono::steady_clock::now() - armed, 300ms);

  const auto cancelled = std::chrono::steady_clock::now();
  scan.gear.CancelRun();
  ASSERT_TRUE(scan.WaitForEnd(30s));
  // At most the read in progress and one more finish after the request.
  EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 2s);
  EXPECT_EQ(scan.endCode, kErrCancelled);
  ExpectOnlyHealthyFinds(scan);
}

TEST_F(ScanFaultTest, CancelAtRandomMomentsEndsCancelledWithAConsistentCollection) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> moment(1, healthyReads_ - 1);
  for (int round = 0; round < 5; ++round) {
    const int cancelAt = moment(random);
    SCOPED_TRACE("cancelled after read " + std::to_string(cancelAt));
    auto plan = std::make_shared<TXFaultPlan>();
    plan->ReadDelay = 2ms;
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, kDrive)));
    ASSERT_TRUE(scan.loop.RunUntil([&] { return scan.ended || plan->Reads >= cancelAt; }, 60s));
    scan.gear.CancelRun();
    ASSERT_TRUE(scan.WaitForEnd());
    // A scan that ended before the cancel reached it is complete; any other is cancelled.
    if (scan.endCode == kErrNone) {
      EXPECT_EQ(static_cast<size_t>(scan.Files().Count()), healthy_->size());
    } else {
      EXPECT_EQ(scan.endCode, kErrCancelled);
    }
    ExpectOnlyHealthyFinds(scan);
    EXPECT_FALSE(scan.gear.IsRunning());
  }
}

TEST_F(ScanFaultTest, ACancelRightAfterTheStartIsNotLostWhileTheThreadGetsGoing) {
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    auto plan = std::make_shared<TXFaultPlan>();
    plan->ReadDelay = 20ms;
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, Image(), plan));
    ScanHarness scan;
    ASSERT_TRUE(scan.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&scan.gear, kDrive)));
    scan.gear.CancelRun();
    ASSERT_TRUE(scan.WaitForEnd(30s));
    EXPECT_EQ(scan.endCode, kErrCancelled);
    EXPECT_LT(plan->Reads, healthyReads_ / 2);
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
