#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "fat/card_fixture.h"
#include "fat/fat_recovery_fixture.h"
#include "output/output_harness.h"
#include "output/restore_files.h"
#include "persistence/lg.h"
#include "storage/disk_io.h"
#include "support/faulty_device.h"
#include "support/file_size_limit.h"
#include "support/test_files.h"
#include "support/tmp_file_system.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::FixtureCard;
using test::OutputHarness;
using test::ReadFileBytes;
using test::TmpFileSystem;

// A camera card with live, deleted and lost photos and a video, saved once.
class RestoreThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat32Options(40 << 20, 1));
    auto& card = card_->Builder();
    ASSERT_TRUE(card_->Formatted().ok());
    ASSERT_TRUE(card.MakeFolder("DCIM").ok());
    ASSERT_TRUE(card.WriteFile("DCIM/IMG_0001.JPG", test::Photo(1024, 768, 11)).ok());
    ASSERT_TRUE(card.WriteFile("DCIM/IMG_0002.JPG", test::Photo(1600, 1200, 12)).ok());
    ASSERT_TRUE(card.WriteFile("DCIM/IMG_0003.JPG", test::Photo(800, 600, 13)).ok());
    mkcard::Content video;
    mkcard::VideoOptions options;
    ASSERT_TRUE(mkcard::MakeAviVideo(options, &video).ok());
    ASSERT_TRUE(card.WriteFile("DCIM/MVI_0004.AVI", video).ok());
    ASSERT_TRUE(card.Delete("DCIM/IMG_0003.JPG").ok());
    ASSERT_TRUE(card_->Save().ok());
  }
  static void TearDownTestSuite() { delete card_; }

  static std::string Image() { return card_->Image().string(); }
  // The bytes of a manifest record as the card holds them.
  static std::vector<uint8_t> Content(std::string_view path) {
    const std::vector<uint8_t> card = ReadFileBytes(card_->Image());
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& e : card_->Record(path).extents)
      bytes.insert(bytes.end(), card.begin() + static_cast<ptrdiff_t>(e.offset),
                   card.begin() + static_cast<ptrdiff_t>(e.offset + e.size));
    return bytes;
  }
  // The card's bytes of a found file, by the found file's name.
  static std::vector<uint8_t> FoundContent(const std::string& name) {
    return Content("DCIM/" + (name.starts_with("!") ? "I" + name.substr(1) : name));
  }
  // Every file in the folder was reported saved and is the card's file; a failed file left none.
  static void ExpectOnlyWholeFiles(const OutputHarness& run, const fs::path& folder) {
    size_t saved = 0;
    for (const auto& file : run.restored) {
      if (file.Result == rrFailed) {
        EXPECT_EQ(file.FileName, "") << file.Name;
        continue;
      }
      ++saved;
      EXPECT_EQ(file.Result, rrSaved) << file.Name;
      EXPECT_EQ(ReadFileBytes(file.FileName), FoundContent(file.Name)) << file.Name;
    }
    EXPECT_EQ(Names(folder).size(), saved);
  }
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
      for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static FixtureCard* card_;
  test::TempDir out_;
};
FixtureCard* RestoreThreadTest::card_ = nullptr;

TEST_F(RestoreThreadTest, EveryFoundFileComesBackByteForByteAndTheSourceStaysAsItWas) {
  const std::vector<uint8_t> before = ReadFileBytes(card_->Image());
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(Image()));
  ASSERT_EQ(run.endCode, kErrNone);
  const TXRunFigures::TXSnapshot scan = run.gear.Worker().Figures().Read();
  EXPECT_EQ(scan.Total, static_cast<int64_t>(fs::file_size(card_->Image())));
  EXPECT_EQ(scan.Done, scan.Total);
  EXPECT_EQ(scan.Files, 4) << "three photos, one of them deleted, and the video";
  ASSERT_TRUE(run.RestoreImage((out_ / "restored").string() + "/"));
  EXPECT_EQ(run.endName, "Restore");
  EXPECT_EQ(run.endCode, kErrNone);
  EXPECT_EQ(Names(out_ / "restored"), (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.JPG",
                                                                "MVI_0004.AVI", "_MG_0003.JPG"}));
  for (const char* path : {"DCIM/IMG_0001.JPG", "DCIM/IMG_0002.JPG", "DCIM/MVI_0004.AVI"}) {
    const std::string name = fs::path(path).filename().string();
    EXPECT_EQ(ReadFileBytes(out_ / "restored" / name), Content(path)) << path;
  }
  EXPECT_EQ(ReadFileBytes(out_ / "restored" / "_MG_0003.JPG"), Content("DCIM/IMG_0003.JPG"));
  ASSERT_EQ(run.restored.size(), 4u);
  for (const auto& file : run.restored)
    EXPECT_EQ(file.Result, rrSaved) << file.Name;
  EXPECT_EQ(run.positions.back(), 1000);
  int64_t cardBytes = 0;
  for (const char* path :
       {"DCIM/IMG_0001.JPG", "DCIM/IMG_0002.JPG", "DCIM/IMG_0003.JPG", "DCIM/MVI_0004.AVI"})
    cardBytes += static_cast<int64_t>(Content(path).size());
  const TXRunFigures::TXSnapshot restore = run.gear.Worker().Figures().Read();
  EXPECT_EQ(restore.Total, cardBytes);
  EXPECT_EQ(restore.Done, cardBytes);
  EXPECT_EQ(restore.Files, 4);
  EXPECT_EQ(restore.Failed, 0);
  EXPECT_EQ(ReadFileBytes(card_->Image()), before) << "the source is never written";

  // Restoring again into the same folder keeps the first copies and numbers the new ones.
  ASSERT_TRUE(run.RestoreImage((out_ / "restored").string() + "/"));
  EXPECT_EQ(Names(out_ / "restored").size(), 8u);
  EXPECT_EQ(ReadFileBytes(out_ / "restored" / "IMG_00011.JPG"), Content("DCIM/IMG_0001.JPG"));
}

TEST_F(RestoreThreadTest, AnUnreadableStretchOfTheDriveIsRestoredAsZerosAndTheRunSucceeds) {
  const mkcard::Extent photo = card_->Record("DCIM/IMG_0002.JPG").extents[0];
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", Image(), plan));
  OutputHarness run;
  ASSERT_TRUE(run.ScanDrive("/dev/kova-card"));
  run.CheckOnly({"IMG_0001.JPG", "IMG_0002.JPG"});
  plan->BadRanges.push_back({static_cast<int64_t>(photo.offset + 1000), 512});
  ASSERT_TRUE(run.RestoreDrive("/dev/kova-card", (out_ / "drive").string()));
  EXPECT_EQ(run.endCode, kErrNone);
  // Every file that shares the failed window of the medium is damaged, also one read after the
  // window was first refused.
  const int64_t bad = static_cast<int64_t>(photo.offset + 1000);
  const TXBlock window{bad - bad % kMediumWindowSize, kMediumWindowSize};
  ASSERT_EQ(run.restored.size(), 2u);
  for (const auto& file : run.restored) {
    bool shares = false;
    for (const TXBlock& block : run.Find(file.Name)->Blocks())
      shares = shares || (block.Start < window.End() && block.End() > window.Start);
    EXPECT_EQ(file.Result, shares ? rrDamaged : rrSaved) << file.Name;
    EXPECT_EQ(file.Code, shares ? kErrRead : kErrNone) << file.Name;
  }
  const std::vector<uint8_t> written = ReadFileBytes(out_ / "drive" / "IMG_0002.JPG");
  ASSERT_EQ(written.size(), photo.size) << "the file keeps its length";
  EXPECT_EQ(written[1000], 0);
  EXPECT_NE(written, Content("DCIM/IMG_0002.JPG"));
}

TEST_F(RestoreThreadTest, AVanishedDriveStopsTheRestoreWithCode11) {
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", Image(), plan));
  OutputHarness run;
  ASSERT_TRUE(run.ScanDrive("/dev/kova-card"));
  const int before = plan->Reads;
  TXDiskIO probe;
  ASSERT_TRUE(probe.Open("/dev/kova-card"));
  probe.Close();
  // The drive opens again for the restore, then goes with the first read of a file.
  plan->VanishAfterReads = plan->Reads + (plan->Reads - before);
  ASSERT_TRUE(run.RestoreDrive("/dev/kova-card", (out_ / "gone").string()));
  EXPECT_EQ(run.endCode, kErrNotReady);
  ASSERT_EQ(run.restored.size(), 1u) << "no other file is tried";
  EXPECT_EQ(run.restored[0].Result, rrFailed);
  EXPECT_TRUE(Names(out_ / "gone").empty()) << "the file begun when the drive went is removed";
}

TEST_F(RestoreThreadTest, AReadOnlyFolderFailsTheRunWithAClearMessageAndWritesNothing) {
  const fs::path folder = out_ / "locked";
  TmpFileSystem readOnly(folder, "size=1m", MS_RDONLY);
  if (!readOnly.Mounted()) {
    if (::geteuid() == 0) GTEST_SKIP() << "a read-only file system cannot be mounted here";
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  }
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(Image()));
  ASSERT_TRUE(run.RestoreImage(folder.string() + "/"));
  EXPECT_EQ(run.endCode, kErrWrite);
  EXPECT_NE(
      run.endError.Text.find("4 of the checked files could not be saved to " + folder.string()),
      std::string::npos)
      << run.endError.Text;
  EXPECT_EQ(run.restored.size(), 4u);
  EXPECT_TRUE(Names(folder).empty());
}

TEST_F(RestoreThreadTest, AFullDestinationFailsAndSaysSo) {
  const fs::path folder = out_ / "full";
  TmpFileSystem small(folder, "size=64k");
  std::unique_ptr<FileSizeLimit> limit;
  if (!small.Mounted()) limit = std::make_unique<FileSizeLimit>(64 << 10);
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(Image()));
  ASSERT_TRUE(run.RestoreImage(folder.string()));
  limit.reset();
  EXPECT_EQ(run.endCode, kErrWrite);
  EXPECT_NE(run.endError.Text.find("could not be saved to"), std::string::npos);
  int failed = 0;
  for (const auto& file : run.restored)
    failed += file.Result == rrFailed;
  EXPECT_GE(failed, 1);
  ExpectOnlyWholeFiles(run, folder);
}

TEST_F(RestoreThreadTest, AFailingFileDoesNotStopTheOthers) {
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(Image()));
  // Only the largest file is too big to be written.
  const TXDRFileItem* largest = run.Files()[0];
  for (int32_t i = 1; i < run.Files().Count(); ++i)
    if (run.Files()[i]->Size() > largest->Size()) largest = run.Files()[i];
  {
    FileSizeLimit limit(static_cast<rlim_t>(largest->Size() - 1));
    ASSERT_TRUE(run.RestoreImage((out_ / "some").string()));
  }
  EXPECT_EQ(run.endCode, kErrWrite);
  ASSERT_EQ(run.restored.size(), 4u);
  for (const auto& file : run.restored)
    EXPECT_EQ(file.Result, file.Name == largest->Name ? rrFailed : rrSaved) << file.Name;
  EXPECT_EQ(Names(out_ / "some").size(), 3u) << "the failed file is removed";
  ExpectOnlyWholeFiles(run, out_ / "some");
  const TXRunFigures::TXSnapshot figures = run.gear.Worker().Figures().Read();
  EXPECT_EQ(figures.Files, 3);
  EXPECT_EQ(figures.Failed, 1);
  EXPECT_EQ(figures.Done, figures.Total) << "the failed file has had its turn";
}

}  // namespace
}  // namespace kova
