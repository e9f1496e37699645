#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>

#include "card_builder.h"
#include "card_manifest.h"
#include "exfat/exfat_fixture.h"
#include "output/output_harness.h"
#include "output/restore_paths.h"
#include "recipe.h"
#include "support/test_files.h"
#include "support/test_paths.h"

// Restored files from real cards: the times the card keeps for them, and the card's folders when
// the restore keeps them.
namespace kova {
namespace {

namespace fs = std::filesystem;
using test::LocalModifiedTime;
using test::ReadFileBytes;

// The machine's time zone for one test: three hours east of UTC, so that a local time written on
// a card and the same numbers read as UTC name different moments.
class ZoneEastOfUtc {
 public:
  ZoneEastOfUtc() {
    if (const char* zone = std::getenv("TZ")) previous_ = zone;
    ::setenv("TZ", "XST-03", 1);
    ::tzset();
  }
  ~ZoneEastOfUtc() {
    previous_ ? ::setenv("TZ", previous_->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> previous_;
};

std::time_t ModifiedSeconds(const fs::path& file) {
  struct stat facts {};
  return ::stat(file.c_str(), &facts) == 0 ? facts.st_mtim.tv_sec : 0;
}

// Every file below the folder by its path relative to it.
std::map<std::string, std::vector<uint8_t>> FilesBelow(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = ReadFileBytes(entry.path());
  }
  return files;
}

// A camera card: two folders with a file of the same name, a deleted file with a long name, a
// deleted folder whose file is left in a lost folder, and two photos without entries, one with
// the EXIF time it was taken and one without EXIF data. Each `time` line is the time of what
// follows it: the entries' times, and the EXIF time of the photos.
constexpr const char* kCameraCard = R"(card size=48M table=none
volume fat16 cluster=2K label=CAMERA
time 2019-07-04 15:30:12
folder DCIM
folder DCIM/100CANON
file DCIM/100CANON/IMG_0001.JPG photo=320x240 seed=1
time 2020-02-29 23:59:58
folder DCIM/101CANON
file DCIM/101CANON/IMG_0001.JPG photo=320x240 seed=2
time 2021-10-31 01:02:04
file "DCIM/100CANON/Holiday at the beach.jpg" photo=320x240 seed=3
delete "DCIM/100CANON/Holiday at the beach.jpg"
time 2017-12-24 18:00:00
folder OLD
file OLD/PIC_0001.JPG photo=320x240 seed=4
delete OLD
time 2018-05-06 07:08:10
raw offset=40M photo=320x240 seed=5 name=taken.jpg
raw offset=44M photo=320x240 seed=6 thumbnail=no name=plain.jpg
)";

class RestoreLayoutTest : public ::testing::Test {
 protected:
  void Scan(const char* recipe) {
    mkcard::CardBuilder card;
    const mkcard::Status built = mkcard::RunRecipe(recipe, {}, &card);
    ASSERT_TRUE(built.ok()) << built.message();
    ASSERT_TRUE(card.Save(image_).ok());
    manifest_ = card.MakeManifest();
    card_ = ReadFileBytes(image_);
    ASSERT_TRUE(run_.ScanImage(image_.string()));
    ASSERT_EQ(run_.endCode, kErrNone);
  }
  void Restore(bool keepFolders) {
    restoredFrom_ = std::time(nullptr);
    auto command = MakeRef<TXDRDiskImageRestoreFilesWorkCommand>(&run_.gear, out_.string() + "/");
    command->KeepFolders = keepFolders;
    ASSERT_TRUE(run_.Run(command));
    ASSERT_EQ(run_.endCode, kErrNone);
  }
  const mkcard::ManifestRecord& Record(const std::string& path) const {
    const mkcard::ManifestRecord* record = manifest_.Find(path);
    EXPECT_NE(record, nullptr) << path;
    return *record;
  }
  std::vector<uint8_t> Written(const std::string& path) const {
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& e : Record(path).extents) {
      const auto from = card_.begin() + static_cast<std::ptrdiff_t>(e.offset);
      bytes.insert(bytes.end(), from, from + static_cast<std::ptrdiff_t>(e.size));
    }
    return bytes;
  }
  // The restored file (relative path) that holds what was written for the card's path.
  std::string RestoredAs(const std::string& path) const {
    const std::vector<uint8_t> written = Written(path);
    for (const auto& [name, bytes] : FilesBelow(out_))
      if (bytes == written) return name;
    return "not restored";
  }

  ZoneEastOfUtc zone_;
  test::TempDir dir_;
  fs::path image_ = dir_ / "card.img";
  fs::path out_ = dir_ / "out";
  mkcard::Manifest manifest_;
  std::vector<uint8_t> card_;
  test::OutputHarness run_;
  std::time_t restoredFrom_ = 0;
};

TEST_F(RestoreLayoutTest, FilesKeepTheirEntryTimeOrTheTimeThePhotoWasTaken) {
  Scan(kCameraCard);
  Restore(false);
  for (const char* path : {"DCIM/100CANON/IMG_0001.JPG", "DCIM/101CANON/IMG_0001.JPG",
                           "DCIM/100CANON/Holiday at the beach.jpg", "OLD/PIC_0001.JPG"}) {
    const std::string restored = RestoredAs(path);
    EXPECT_EQ(restored.find('/'), std::string::npos) << restored << ": the default is flat";
    EXPECT_EQ(LocalModifiedTime(out_ / restored), Record(path).time) << path;
  }
  EXPECT_EQ(LocalModifiedTime(out_ / RestoredAs("taken.jpg")), "2018-05-06 07:08:10");
  EXPECT_GE(ModifiedSeconds(out_ / RestoredAs("plain.jpg")), restoredFrom_)
      << "a photo that tells no time gets the time of the restore";
}

TEST_F(RestoreLayoutTest, KeepingFoldersPutsEachFileInItsFolderOnTheCard) {
  Scan(kCameraCard);
  Restore(true);
  EXPECT_EQ(RestoredAs("DCIM/100CANON/IMG_0001.JPG"), "DCIM/100CANON/IMG_0001.JPG");
  EXPECT_EQ(RestoredAs("DCIM/101CANON/IMG_0001.JPG"), "DCIM/101CANON/IMG_0001.JPG");
  EXPECT_EQ(RestoredAs("DCIM/100CANON/Holiday at the beach.jpg"),
            "DCIM/100CANON/Holiday at the beach.jpg");
  EXPECT_EQ(RestoredAs("OLD/PIC_0001.JPG"), "_LD/PIC_0001.JPG")
      << "a lost folder under its recovered name, the lost first letter as saved";
  EXPECT_EQ(fs::path(RestoredAs("taken.jpg")).parent_path(), "Found by search");
  EXPECT_EQ(fs::path(RestoredAs("plain.jpg")).parent_path(), "Found by search");
  EXPECT_EQ(LocalModifiedTime(out_ / "DCIM/101CANON/IMG_0001.JPG"),
            Record("DCIM/101CANON/IMG_0001.JPG").time);
}

TEST_F(RestoreLayoutTest, EachVolumeOfACardWithSeveralGetsAFolderOfItsOwn) {
  Scan(R"(card size=64M table=mbr
partition primary start=2048 size=24M
volume fat16 cluster=2K label=FIRST
folder DCIM
file DCIM/IMG_0001.JPG photo=320x240 seed=1
partition primary start=26M size=24M
volume fat16 cluster=2K label=SECOND
folder DCIM
file DCIM/IMG_0001.JPG photo=320x240 seed=2
)");
  Restore(true);
  std::vector<std::string> restored;
  for (const auto& [name, bytes] : FilesBelow(out_))
    restored.push_back(name);
  EXPECT_EQ(restored, (std::vector<std::string>{"Partition 1/DCIM/IMG_0001.JPG",
                                                "Partition 2/DCIM/IMG_0001.JPG"}));
}

// exFAT keeps a UTC offset with its times: the restored file gets the moment it names; a time
// without one is taken as written, as on FAT.
TEST(RestoreTimes, ExfatTimesNameTheMomentTheirUtcOffsetTells) {
  ZoneEastOfUtc zone;
  test::ExfatCard card;
  ASSERT_TRUE(card.Formatted().ok());
  mkcard::ExfatEntryOptions withOffset;
  withOffset.time = mkcard::ParseExfatStamp("2024-05-18 10:00:01.37+02:00");
  mkcard::ExfatEntryOptions asWritten;
  asWritten.time = mkcard::ParseExfatStamp("2023-11-05 07:30:12");
  ASSERT_TRUE(
      card.Volume().WriteExfatFile("with offset.jpg", test::Photo(64, 48, 1), {}, withOffset).ok());
  ASSERT_TRUE(
      card.Volume().WriteExfatFile("as written.jpg", test::Photo(64, 48, 2), {}, asWritten).ok());
  ASSERT_TRUE(card.Save().ok());
  test::ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  run.FromDirectories();
  TXDRFileCollection files;
  for (size_t i = 0; i < run.offered.Count(); ++i)
    files.Add()->Assign(run.offered[i]);
  test::TempDir out;
  const TXRestoreTally tally =
      RestoreFiles(out.Path().string(), files, *run.io.Stream(), *run.worker);
  EXPECT_EQ(tally.Saved, 2);

  struct stat facts {};
  ASSERT_EQ(::stat((out / "with offset.jpg").c_str(), &facts), 0);
  std::tm utc{};
  utc.tm_year = 2024 - 1900;
  utc.tm_mon = 4;
  utc.tm_mday = 18;
  utc.tm_hour = 8;
  utc.tm_sec = 1;
  EXPECT_EQ(facts.st_mtim.tv_sec, timegm(&utc));
  EXPECT_EQ(facts.st_mtim.tv_nsec, 370000000) << "the 10 ms steps are kept";
  EXPECT_EQ(LocalModifiedTime(out / "as written.jpg"), "2023-11-05 07:30:12");
}

TEST(SafeFolderPath, EveryPartIsMadeSafeAndEmptyOnesAreLeftOut) {
  EXPECT_EQ(SafeFolderPath("DCIM/100CANON"), "DCIM/100CANON");
  EXPECT_EQ(SafeFolderPath("/DCIM//..//Tab\there/"), "DCIM/_/Tab_here");
  EXPECT_EQ(SafeFolderPath(""), "");
  EXPECT_EQ(SafeFolderPath(std::string(300, 'a')).size(), 245u);
}

}  // namespace
}  // namespace kova
