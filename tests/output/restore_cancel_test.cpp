#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fat/card_fixture.h"
#include "output/output_harness.h"
#include "storage/buf_disk_stream.h"
#include "support/faulty_device.h"
#include "support/test_files.h"

// Restores from a slow card, cancelled at random moments: what was written stays whole and
// reported, and the run ends as cancelled.
namespace kova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FixtureCard;
using test::OutputHarness;
using test::ReadFileBytes;

constexpr const char* kDrive = "/dev/kova-slow";

class RestoreCancelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat32Options(40 << 20, 1));
    ASSERT_TRUE(card_->Formatted().ok());
    for (int i = 1; i <= 8; ++i) {
      const std::string name = "IMG_000" + std::to_string(i) + ".JPG";
      ASSERT_TRUE(card_->Builder().WriteFile(name, test::Photo(1024, 768, 30 + i)).ok());
    }
    ASSERT_TRUE(card_->Save().ok());
    bytes_ = new std::vector<uint8_t>(ReadFileBytes(card_->Image()));

    // How many reads a whole restore takes.
    auto plan = std::make_shared<TXFaultPlan>();
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
    OutputHarness run;
    ASSERT_TRUE(run.ScanDrive(kDrive));
    const int scanReads = plan->Reads;
    test::TempDir folder;
    ASSERT_TRUE(run.RestoreDrive(kDrive, folder.Path().string()));
    ASSERT_EQ(run.endCode, kErrNone);
    restoreReads_ = plan->Reads - scanReads;
  }
  static void TearDownTestSuite() {
    delete card_;
    delete bytes_;
  }

  // The card's bytes under the item's extents.
  static std::vector<uint8_t> Content(const TXDRFileItem& item) {
    std::vector<uint8_t> content;
    for (const TXBlock& b : item.Blocks())
      content.insert(content.end(), bytes_->begin() + b.Start, bytes_->begin() + b.Start + b.Size);
    return content;
  }

  // Scans the card, then starts restoring it into `folder`; the restore's read number `holdAt`
  // waits until the plan releases it.
  void StartRestore(OutputHarness& run, const fs::path& folder, TXFaultPlan& plan, int holdAt) {
    ASSERT_TRUE(run.ScanDrive(kDrive));
    ASSERT_EQ(run.Files().Count(), 8);
    plan.HoldAtRead = plan.Reads + holdAt;
    ASSERT_TRUE(
        run.Start(MakeRef<TXDRDiskRestoreFilesWorkCommand>(&run.gear, kDrive, 0, folder.string())));
  }

  // Every file in the folder was reported, and every file reported as saved is the card's.
  void ExpectReportedFilesWhole(OutputHarness& run, const fs::path& folder) {
    size_t inFolder = 0;
    if (fs::exists(folder))
      for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++inFolder;
    EXPECT_EQ(inFolder, run.restored.size());
    for (const auto& file : run.restored) {
      EXPECT_EQ(file.Result, rrSaved) << file.FileName;
      const TXDRFileItem* item = run.Find(file.Name);
      ASSERT_NE(item, nullptr) << file.Name;
      EXPECT_EQ(ReadFileBytes(file.FileName), Content(*item)) << file.FileName;
    }
  }

  static FixtureCard* card_;
  static std::vector<uint8_t>* bytes_;
  static int restoreReads_;
  test::TempDir out_;
};
FixtureCard* RestoreCancelTest::card_ = nullptr;
std::vector<uint8_t>* RestoreCancelTest::bytes_ = nullptr;
int RestoreCancelTest::restoreReads_ = 0;

TEST_F(RestoreCancelTest, CancelAtRandomMomentsLeavesOnlyWholeReportedFiles) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> moment(1, restoreReads_);
  for (int round = 0; round < 6; ++round) {
    const int cancelAt = moment(random);
    SCOPED_TRACE("cancelled during read " + std::to_string(cancelAt) + " of the restore");
    auto plan = std::make_shared<TXFaultPlan>();
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
    OutputHarness run;
    const fs::path folder = out_ / ("round" + std::to_string(round));
    StartRestore(run, folder, *plan, cancelAt);
    plan->WaitUntilHeld();
    run.gear.CancelRun();
    plan->Release();
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.endCode, kErrCancelled);
    ExpectReportedFilesWhole(run, folder);
  }
}

TEST_F(RestoreCancelTest, AHangingCardIsLeftOnCancelOnceTheFileInProgressIsWhole) {
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
  OutputHarness run;
  // Held at the first read of a file's bytes, after the reads that open the card (its boot
  // sector, table and label), which end before the restore looks at a cancel.
  const int readsBeforeOpening = plan->Reads;
  { TXBufDiskStream opening(kDrive); }
  const int openingReads = plan->Reads - readsBeforeOpening;
  // The boot sector, the root folder and its chain's entry of the table: never the whole table.
  EXPECT_LE(openingReads, 3);
  StartRestore(run, out_ / "slow", *plan, openingReads + 1);
  plan->WaitUntilHeld();
  const int readsAtCancel = plan->Reads;
  run.gear.CancelRun();
  plan->Release();
  ASSERT_TRUE(run.WaitForEnd());
  // The read under way and the one that finishes the file in progress at most.
  EXPECT_LE(plan->Reads, readsAtCancel + 1);
  EXPECT_EQ(run.endCode, kErrCancelled);
  EXPECT_LT(run.restored.size(), 8u);
  ExpectReportedFilesWhole(run, out_ / "slow");
}

}  // namespace
}  // namespace kova
