#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fat/card_fixture.h"
#include "output/output_harness.h"
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

  // Scans the slow card, then starts restoring it into `folder`.
  // The card is scanned first; the restore then reads it with the given delay per read.
  void StartRestore(OutputHarness& run, const fs::path& folder, TXFaultPlan& plan,
                    std::chrono::milliseconds readDelay = {}) {
    ASSERT_TRUE(run.ScanDrive(kDrive));
    ASSERT_EQ(run.Files().Count(), 8);
    plan.ReadDelay = readDelay;
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
  test::TempDir out_;
};
FixtureCard* RestoreCancelTest::card_ = nullptr;
std::vector<uint8_t>* RestoreCancelTest::bytes_ = nullptr;

TEST_F(RestoreCancelTest, CancelAtRandomMomentsLeavesOnlyWholeReportedFiles) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int> moment(1, 12);
  for (int round = 0; round < 6; ++round) {
    const int cancelAfter = moment(random);
    SCOPED_TRACE("cancelled after " + std::to_string(cancelAfter) + " reads of the restore");
    auto plan = std::make_shared<TXFaultPlan>();
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
    OutputHarness run;
    const fs::path folder = out_ / ("round" + std::to_string(round));
    StartRestore(run, folder, *plan, 1ms);
    const int start = plan->Reads;
    ASSERT_TRUE(
        run.loop.RunUntil([&] { return run.ended || plan->Reads - start >= cancelAfter; }, 60s));
    run.gear.CancelRun();
    ASSERT_TRUE(run.WaitForEnd());
    // A restore that ended before the cancel reached it is complete; any other is cancelled.
    if (run.endCode == kErrNone) {
      EXPECT_EQ(run.restored.size(), 8u);
    } else {
      EXPECT_EQ(run.endCode, kErrCancelled);
    }
    ExpectReportedFilesWhole(run, folder);
  }
}

TEST_F(RestoreCancelTest, AVerySlowCardIsLeftAtOnceOnCancel) {
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
  OutputHarness run;
  StartRestore(run, out_ / "slow", *plan, 500ms);
  const int start = plan->Reads;
  ASSERT_TRUE(run.loop.RunUntil([&] { return plan->Reads > start; }, 30s));
  const auto requested = std::chrono::steady_clock::now();
  run.gear.CancelRun();
  ASSERT_TRUE(run.WaitForEnd());
  // The read under way and the one that finishes the file in progress at most.
  EXPECT_LT(std::chrono::steady_clock::now() - requested, 3s);
  EXPECT_EQ(run.endCode, kErrCancelled);
  // Files that one window of the card held may have been saved before the cancel; the rest were
  // left.
  EXPECT_LT(run.restored.size(), 8u);
  ExpectReportedFilesWhole(run, out_ / "slow");
}

}  // namespace
}  // namespace kova
