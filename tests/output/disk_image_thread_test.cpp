#include "output/disk_image_thread.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fat/card_fixture.h"
#include "output/output_harness.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_io.h"
#include "support/faulty_device.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FixtureCard;
using test::OutputHarness;
using test::ReadFileBytes;
using test::ScriptedDialogs;
using Kind = ScriptedDialogs::Kind;

constexpr int64_t kUnit = 4096;

std::vector<uint8_t> Units(const std::vector<uint8_t>& bytes, int64_t first, int64_t count) {
  return {bytes.begin() + first * kUnit, bytes.begin() + (first + count) * kUnit};
}

// A FAT16 card with 4096-byte clusters (the image is copied in units of one cluster), full of
// photos so that every unit has something to lose.
class DiskImageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat16Options(32 << 20, 8));
    ASSERT_TRUE(card_->Formatted().ok());
    for (int i = 1; i <= 40; ++i) {
      const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
      ASSERT_TRUE(card_->Builder().WriteFile(name, test::Photo(640, 480, i)).ok());
    }
    ASSERT_TRUE(card_->Save().ok());
    bytes_ = new std::vector<uint8_t>(ReadFileBytes(card_->Image()));
  }
  static void TearDownTestSuite() {
    delete card_;
    delete bytes_;
  }

  // The card as the faulty drive /dev/kova-card, with bad bytes at the given units.
  std::shared_ptr<TXFaultPlan> Drive(std::initializer_list<int64_t> badUnits) {
    auto plan = std::make_shared<TXFaultPlan>();
    for (int64_t unit : badUnits)
      plan->BadRanges.push_back({unit * kUnit + 100, 512});
    scope_ = std::make_unique<TXDeviceOpenerScope>(
        FaultyDeviceOpener("/dev/kova-card", card_->Image().string(), plan));
    return plan;
  }
  std::string ImagePath() const { return (out_ / "card.bin").string(); }
  // Where a copy that stopped early is kept.
  std::string IncompletePath() const { return (out_ / "card.incomplete.bin").string(); }
  // The image's data without the trailer, and the trailer as the image-file input reads it.
  std::vector<uint8_t> ImageData(int64_t length) const { return ImageData(length, ImagePath()); }
  static std::vector<uint8_t> ImageData(int64_t length, const std::string& path) {
    std::vector<uint8_t> image = ReadFileBytes(path);
    EXPECT_GE(static_cast<int64_t>(image.size()), length);
    const std::string trailer(image.begin() + length, image.end());
    EXPECT_TRUE(trailer.starts_with("<xml>")) << "the trailer follows the data at once";
    image.resize(static_cast<size_t>(length));
    return image;
  }
  std::string UnreadableLine(int64_t bytes, int64_t areas) const {
    return Lg().Format(lg::kImageLogUnreadable,
                       {FormatByteSize(bytes), std::to_string(areas), ImageMapFileOf(ImagePath())});
  }
  // The last line of a copy that stopped after `copied` bytes.
  std::string IncompleteLine(int64_t copied) const {
    return Lg().Format(lg::kImageLogIncomplete,
                       {FormatByteSize(copied),
                        FormatByteSize(static_cast<int64_t>(bytes_->size())), IncompletePath()});
  }
  // The incomplete copy holds `copied` bytes of the card, its trailer says so, and nothing has
  // the chosen name.
  void ExpectIncompleteCopy(int64_t copied) const {
    EXPECT_FALSE(fs::exists(ImagePath()));
    EXPECT_EQ(ImageData(copied, IncompletePath()), Units(*bytes_, 0, copied / kUnit));
    TXFileDiskIO image;
    ASSERT_TRUE(image.Open(IncompletePath()));
    EXPECT_EQ(image.DiskInfo.CopiedBytes, copied);
    EXPECT_EQ(image.DiskInfo.VolumeName, "KOVA TEST");
  }
  static std::string Line(uint32_t id, const std::string& numbers) {
    return Lg().Word(id) + ": " + numbers;
  }
  std::string StartLine() const { return Lg().Format(lg::kImageLogStart, {ImagePath()}); }

  static FixtureCard* card_;
  static std::vector<uint8_t>* bytes_;
  test::TempDir out_;
  std::unique_ptr<TXDeviceOpenerScope> scope_;
};
FixtureCard* DiskImageTest::card_ = nullptr;
std::vector<uint8_t>* DiskImageTest::bytes_ = nullptr;

TEST_F(DiskImageTest, AHealthyDriveIsCopiedWholeWithItsTrailer) {
  Drive({});
  ScriptedDialogs dialogs;
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage("/dev/kova-card", ImagePath()));
  EXPECT_EQ(run.endName, "ImageFile");
  EXPECT_EQ(run.endCode, kErrNone);
  EXPECT_EQ(run.logs, (std::vector<std::string>{StartLine(), Lg().Word(lg::kImageLogFinished)}));
  EXPECT_EQ(ImageData(static_cast<int64_t>(bytes_->size())), *bytes_);
  EXPECT_EQ(dialogs.Count(), 0u);
  EXPECT_EQ(run.positions.back(), 1000);
  const TXRunFigures::TXSnapshot figures = run.gear.Worker().Figures().Read();
  EXPECT_EQ(figures.Total, static_cast<int64_t>(bytes_->size()));
  EXPECT_EQ(figures.Done, figures.Total);
  EXPECT_EQ(figures.Failed, 0);

  TXFileDiskIO image;
  ASSERT_TRUE(image.Open(ImagePath()));
  EXPECT_EQ(image.DiskInfo.FileSystem, "FAT");
  EXPECT_EQ(image.DiskInfo.ClusterSize, kUnit);
  EXPECT_EQ(image.DiskInfo.VolumeName, "KOVA TEST");
  TXDiskInfoRecord card;
  ASSERT_TRUE(card.QueryVolume(card_->Image().string()));
  EXPECT_GT(card.FreeClusters, 0);
  EXPECT_EQ(image.DiskInfo.FreeClusters, card.FreeClusters) << "counted for the trailer";
}

// What the drive's bad bytes at a unit cost the image: the two sectors they touch.
std::vector<uint8_t> WithBadSectors(std::vector<uint8_t> bytes, int64_t unit) {
  std::fill_n(bytes.begin() + unit * kUnit, 1024, 0);
  return bytes;
}

TEST_F(DiskImageTest, AnUnreadableUnitIsCopiedAsReadAndReportedByItsOwnNumber) {
  Drive({70});
  ScriptedDialogs dialogs;
  dialogs.AnswerClusterError(ecIgnoreAll);
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage("/dev/kova-card", ImagePath()));
  EXPECT_EQ(run.endCode, kErrRead) << "an image with an unreadable unit does not end as a success";
  EXPECT_EQ(run.logs, (std::vector<std::string>{StartLine(), Line(lg::kImageLogBadCluster, "70"),
                                                UnreadableLine(1024, 1)}));
  const auto asked = dialogs.QuestionsOf(Kind::ClusterError);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Unit.FailedUnit, 71);
  EXPECT_EQ(asked[0].Unit.TotalUnits, static_cast<int64_t>(bytes_->size()) / kUnit);
  EXPECT_EQ(asked[0].Unit.UnitSize, kUnit);
  EXPECT_EQ(asked[0].Unit.Choice, ecNotAsked);
  EXPECT_EQ(asked[0].Unit.SkipCount, 10);
  const TXRunFigures::TXSnapshot figures = run.gear.Worker().Figures().Read();
  EXPECT_EQ(figures.Failed, 1);
  EXPECT_EQ(figures.Done, static_cast<int64_t>(bytes_->size()));

  const int64_t size = static_cast<int64_t>(bytes_->size());
  EXPECT_EQ(ImageData(size), WithBadSectors(*bytes_, 70)) << "zeros in the bad sectors alone";
  std::string error;
  const std::optional<TXBadSectorMap> map =
      TXBadSectorMap::LoadMapfile(ImageMapFileOf(ImagePath()), error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->Size(), size);
  EXPECT_EQ(map->UnreadableBytes(), 1024);
  EXPECT_EQ(map->AreasWithin(70 * kUnit, 1024).front().State, TXSectorState::ssBad);
  EXPECT_EQ(map->BytesIn(TXSectorState::ssFinished), size - 1024);
  EXPECT_EQ(map->Phase, TXRescuePhase::rpFinished);
}

TEST_F(DiskImageTest, SkippingSeveralUnitsWritesThemAsZerosAndReadsOnAfterThem) {
  Drive({70});
  ScriptedDialogs dialogs;
  dialogs.AnswerClusterError(ecSkipSeveral, 3);
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage("/dev/kova-card", ImagePath()));
  EXPECT_EQ(run.logs, (std::vector<std::string>{StartLine(), Line(lg::kImageLogBadCluster, "70"),
                                                Line(lg::kImageLogSkipped, "70-72"),
                                                UnreadableLine(1024, 1)}));
  EXPECT_EQ(dialogs.Count(), 1u);
  EXPECT_EQ(run.gear.Worker().Figures().Read().Failed, 3);
  const std::vector<uint8_t> image = ImageData(static_cast<int64_t>(bytes_->size()));
  EXPECT_EQ(Units(image, 70, 1), Units(WithBadSectors(*bytes_, 70), 70, 1));
  EXPECT_EQ(Units(image, 71, 2), std::vector<uint8_t>(2 * kUnit, 0));
  EXPECT_EQ(Units(image, 73, 64), Units(*bytes_, 73, 64));
  std::string error;
  const std::optional<TXBadSectorMap> map =
      TXBadSectorMap::LoadMapfile(ImageMapFileOf(ImagePath()), error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->BytesIn(TXSectorState::ssUntried), 2 * kUnit) << "skipped units were never read";
}

TEST_F(DiskImageTest, TheLastAnswerIsProposedAgainAndFinishingEndsTheCopyWithTheReadError) {
  Drive({70, 200});
  ScriptedDialogs dialogs;
  dialogs.AnswerClusterError(ecSkipThis).AnswerClusterError(ecFinishReading);
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage("/dev/kova-card", ImagePath()));
  const auto asked = dialogs.QuestionsOf(Kind::ClusterError);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].Unit.FailedUnit, 201);
  EXPECT_EQ(asked[1].Unit.Choice, ecSkipThis);
  EXPECT_EQ(run.endCode, kErrRead);
  EXPECT_EQ(run.logs,
            (std::vector<std::string>{StartLine(), Line(lg::kImageLogBadCluster, "70"),
                                      Line(lg::kImageLogBadCluster, "200"), UnreadableLine(1024, 1),
                                      IncompleteLine(200 * kUnit)}));
  const std::vector<uint8_t> image = ImageData(200 * kUnit, IncompletePath());
  EXPECT_EQ(Units(image, 128, 64), Units(*bytes_, 128, 64));
  EXPECT_FALSE(fs::exists(ImagePath()));
  EXPECT_EQ(run.gear.Data().ImageFile, IncompletePath());
}

TEST_F(DiskImageTest, APulledCardLeavesEverythingReadSoFarAsAnIncompleteCopy) {
  auto plan = Drive({});
  {
    TXDiskIO probe;
    const int before = plan->Reads;
    ASSERT_TRUE(probe.Open("/dev/kova-card"));
    plan->VanishAfterReads = plan->Reads + (plan->Reads - before) + 2;
  }
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage("/dev/kova-card", ImagePath()));
  EXPECT_EQ(run.endCode, kErrNotReady);
  EXPECT_EQ(run.logs,
            (std::vector<std::string>{
                StartLine(), Line(lg::kImageLogLastWritten, "127"), Lg().Word(lg::kReadErrorTitle),
                Lg().Word(lg::kDiskDisconnected), IncompleteLine(128 * kUnit)}));
  ExpectIncompleteCopy(128 * kUnit);
}

TEST_F(DiskImageTest, APulledCardsCopyGoesOnFromItsMapfileWithoutReadingAnyByteAgain) {
  auto plan = Drive({});
  {
    TXDiskIO probe;
    const int before = plan->Reads;
    ASSERT_TRUE(probe.Open("/dev/kova-card"));
    plan->VanishAfterReads = plan->Reads + (plan->Reads - before) + 2;
  }
  OutputHarness first;
  ASSERT_TRUE(first.MakeImage("/dev/kova-card", ImagePath()));
  ASSERT_EQ(first.endCode, kErrNotReady);
  ASSERT_TRUE(fs::exists(ImageMapFileOf(ImagePath())));

  // The card is back; one bad sector lies in the part not copied yet.
  scope_.reset();
  auto again = Drive({150});
  again->LogReads = true;
  OutputHarness second;
  ASSERT_TRUE(second.MakeImage("/dev/kova-card", ImagePath()));
  EXPECT_EQ(second.endCode, kErrRead);
  const int64_t size = static_cast<int64_t>(bytes_->size());
  EXPECT_EQ(
      second.logs.front(),
      Lg().Format(lg::kImageLogResumed, {IncompletePath(), FormatByteSize(size - 128 * kUnit)}));
  for (const TXFaultPlan::Range& read : again->ReadsMade()) {
    // The opening reads the boot sector and the tables; the copied photos are not read again.
    EXPECT_TRUE(read.Start + read.Size <= 16 * kUnit || read.Start >= 128 * kUnit)
        << "read at " << read.Start << " of " << read.Size;
  }
  EXPECT_EQ(ImageData(size), WithBadSectors(*bytes_, 150));
  EXPECT_FALSE(fs::exists(IncompletePath()));
  std::string error;
  const std::optional<TXBadSectorMap> map =
      TXBadSectorMap::LoadMapfile(ImageMapFileOf(ImagePath()), error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->UnreadableBytes(), 1024);
  EXPECT_TRUE(map->IsComplete());
}

TEST_F(DiskImageTest, AResumedCopyAsksAboutTheNewBadAreasItMeets) {
  auto plan = Drive({});
  {
    TXDiskIO probe;
    const int before = plan->Reads;
    ASSERT_TRUE(probe.Open("/dev/kova-card"));
    plan->VanishAfterReads = plan->Reads + (plan->Reads - before) + 2;
  }
  OutputHarness first;
  ASSERT_TRUE(first.MakeImage("/dev/kova-card", ImagePath()));
  ASSERT_EQ(first.endCode, kErrNotReady);

  scope_.reset();
  auto again = Drive({150, 600});
  again->LogReads = true;
  ScriptedDialogs dialogs;
  dialogs.AnswerClusterError(ecSkipSeveral, 300).AnswerClusterError(ecFinishReading);
  OutputHarness second;
  ASSERT_TRUE(second.MakeImage("/dev/kova-card", ImagePath()));
  const auto asked = dialogs.QuestionsOf(Kind::ClusterError);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].Unit.FailedUnit, 151);
  EXPECT_EQ(asked[1].Unit.FailedUnit, 601);
  EXPECT_EQ(asked[1].Unit.Choice, ecSkipSeveral);
  EXPECT_EQ(second.endCode, kErrRead);
  const std::vector<std::string> expected{Line(lg::kImageLogBadCluster, "150"),
                                          Line(lg::kImageLogSkipped, "150-449"),
                                          Line(lg::kImageLogBadCluster, "600")};
  ASSERT_GE(second.logs.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(second.logs.begin() + 2, second.logs.begin() + 5), expected);
  // The units skipped were never asked for; what the read before the answer held is kept.
  for (const TXFaultPlan::Range& read : again->ReadsMade())
    EXPECT_FALSE(read.Start < 450 * kUnit && read.Start + read.Size > 384 * kUnit)
        << "read at " << read.Start;
  std::string error;
  const std::optional<TXBadSectorMap> map =
      TXBadSectorMap::LoadMapfile(ImageMapFileOf(ImagePath()), error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->StateAt(151 * kUnit), TXSectorState::ssFinished);
  EXPECT_EQ(map->StateAt(384 * kUnit), TXSectorState::ssUntried);
  EXPECT_EQ(map->StateAt(450 * kUnit - 1), TXSectorState::ssUntried);
  // Nothing from the read where the user chose to finish.
  EXPECT_EQ(map->StateAt(600 * kUnit), TXSectorState::ssUntried);
  EXPECT_TRUE(fs::exists(IncompletePath()));
}

TEST_F(DiskImageTest, CancellingStopsTheCopyAndSaysWhereItStopped) {
  auto plan = Drive({});
  plan->HoldAtRead = plan->Reads + 20;
  OutputHarness run;
  ASSERT_TRUE(run.Start(
      MakeRef<TXDRCopyCardToImageWorkCommand>(&run.gear, "/dev/kova-card", 0, ImagePath())));
  plan->WaitUntilHeld();
  run.gear.CancelRun();
  plan->Release();
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(run.endCode, kErrCancelled);
  ASSERT_GE(run.logs.size(), 4u);
  EXPECT_EQ(run.logs[run.logs.size() - 2], Lg().Word(lg::kImageLogStopped));
  const std::string last = run.logs[run.logs.size() - 3];
  ASSERT_TRUE(last.starts_with(Lg().Word(lg::kImageLogLastWritten) + ": ")) << last;
  const int64_t units = std::stoll(last.substr(last.rfind(' ') + 1)) + 1;
  EXPECT_EQ(run.logs.back(), IncompleteLine(units * kUnit));
  ExpectIncompleteCopy(units * kUnit);
}

TEST_F(DiskImageTest, TheChosenFileIsReplacedOnlyByAWholeCopyAndAStoppedOneIsTakenUp) {
  const std::vector<uint8_t> mine = test::NoiseBytes(5000, 4);
  test::WriteFileBytes(ImagePath(), mine);
  auto plan = Drive({});
  plan->HoldAtRead = plan->Reads + 20;
  OutputHarness stopped;
  ASSERT_TRUE(stopped.Start(
      MakeRef<TXDRCopyCardToImageWorkCommand>(&stopped.gear, "/dev/kova-card", 0, ImagePath())));
  plan->WaitUntilHeld();
  stopped.gear.CancelRun();
  plan->Release();
  ASSERT_TRUE(stopped.WaitForEnd());
  EXPECT_EQ(ReadFileBytes(ImagePath()), mine) << "a cancelled copy leaves the file alone";
  ASSERT_TRUE(fs::exists(IncompletePath()));

  OutputHarness whole;
  ASSERT_TRUE(whole.MakeImage("/dev/kova-card", ImagePath()));
  EXPECT_EQ(whole.endCode, kErrNone);
  EXPECT_EQ(ImageData(static_cast<int64_t>(bytes_->size())), *bytes_);
  EXPECT_EQ(whole.gear.Data().ImageFile, ImagePath());
  EXPECT_FALSE(fs::exists(IncompletePath())) << "the stopped copy was taken up and finished";
  EXPECT_EQ(std::distance(fs::directory_iterator(out_.Path()), fs::directory_iterator()), 2)
      << "the image and its mapfile";
}

TEST_F(DiskImageTest, ADriveThatIsNoWholeNumberOfUnitsEndsWithAShortUnit) {
  for (const size_t size : {size_t{100 * 1024 + 300}, size_t{1000}}) {
    const std::vector<uint8_t> drive = test::NoiseBytes(size, 9);
    test::WriteFileBytes(out_ / "raw.dev", drive);
    OutputHarness run;
    ASSERT_TRUE(run.MakeImage((out_ / "raw.dev").string(), ImagePath()));
    EXPECT_EQ(run.endCode, kErrNone);
    EXPECT_EQ(ImageData(static_cast<int64_t>(size)), drive) << size;
  }
}

TEST_F(DiskImageTest, TheImageIsNeverWrittenOverTheDriveItCopies) {
  const fs::path source = out_ / "drive.img";
  fs::copy_file(card_->Image(), source);
  fs::create_symlink(source, out_ / "link.bin");
  for (const fs::path& target : {source, out_ / "link.bin"}) {
    OutputHarness run;
    ASSERT_TRUE(run.MakeImage(source.string(), target.string()));
    EXPECT_EQ(run.endCode, kErrFileAccessDenied);
    ASSERT_EQ(run.logs.size(), 1u);
    EXPECT_NE(run.logs[0].find("cannot be created"), std::string::npos) << run.logs[0];
    EXPECT_EQ(ReadFileBytes(source), *bytes_);
  }
}

TEST_F(DiskImageTest, AnImageParsesLikeTheDriveItWasMadeFrom) {
  Drive({});
  OutputHarness fromDrive;
  ASSERT_TRUE(fromDrive.MakeImage("/dev/kova-card", ImagePath()));
  ASSERT_TRUE(fromDrive.ScanDrive("/dev/kova-card"));
  OutputHarness fromImage;
  ASSERT_TRUE(fromImage.ScanImage(ImagePath()));
  ASSERT_EQ(fromImage.endCode, kErrNone);
  ASSERT_EQ(fromImage.Names(), fromDrive.Names());
  for (int32_t i = 0; i < fromDrive.Files().Count(); ++i)
    EXPECT_EQ(fromImage.Files()[i]->Blocks(), fromDrive.Files()[i]->Blocks()) << i;
}

}  // namespace
}  // namespace kova
