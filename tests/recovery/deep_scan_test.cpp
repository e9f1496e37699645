#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "fat/card_fixture.h"
#include "fat/fat_recovery_fixture.h"
#include "framework/oem_code_pages.h"
#include "framework/text_utils.h"
#include "recipe.h"
#include "recovery/scan_harness.h"

namespace kova {
namespace {

using test::Clusters;
using test::Describe;
using test::ExtentsOf;
using test::FixtureCard;
using test::ScanHarness;

bool IsScanName(const std::string& name, const std::string& ext) {
  return std::regex_match(name, std::regex("[0-9]{6}\\" + ext));
}

// The collection's item lying on exactly these extents, or nullptr.
const TXDRFileItem* OnExtents(TXDRFileCollection& files, const TXBlocks& blocks) {
  int32_t i = files.IndexOfBlocks(blocks);
  return i < 0 ? nullptr : files[i];
}

class DemoCardScan : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new Card;
    mkcard::CardBuilder builder;
    mkcard::Status built = mkcard::RunRecipeFile(
        test::SourceDir() / "resources/demo/demo-card.recipe", test::SamplesDir(), &builder);
    ASSERT_TRUE(built.ok()) << built.message();
    ASSERT_TRUE(builder.Save(card_->image).ok());
    card_->manifest = builder.MakeManifest();
  }
  static void TearDownTestSuite() { delete card_; }

  struct Card {
    test::TempDir dir;
    std::filesystem::path image = dir / "demo-card.img";
    mkcard::Manifest manifest;
  };
  static Card* card_;
};
DemoCardScan::Card* DemoCardScan::card_ = nullptr;

TEST_F(DemoCardScan, FindsLiveDeletedLostAndFormattedFilesOnce) {
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card_->image.string()));
  EXPECT_EQ(scan.endName, "DeepScan");
  EXPECT_EQ(scan.endCode, kErrNone);
  TXDRFileCollection& files = scan.Files();

  int checked = 0;
  for (const mkcard::ManifestRecord& record : card_->manifest.records) {
    if (record.folder || !record.intact) continue;
    const TXDRFileItem* item = OnExtents(files, ExtentsOf(record));
    ASSERT_NE(item, nullptr) << record.path << " " << mkcard::EntryStateName(record.state);
    ++checked;
    std::string name = record.short_name;
    switch (record.state) {
      case mkcard::EntryState::kLive:
        EXPECT_EQ(item->Name, name);
        EXPECT_TRUE(item->Status.Contains(drEntry));
        break;
      case mkcard::EntryState::kDeleted:
        name[0] = '!';
        EXPECT_EQ(item->Name, name);
        EXPECT_TRUE(item->Status.Contains(drDeletedEntry));
        break;
      case mkcard::EntryState::kLost:
        EXPECT_EQ(item->Name, name);
        EXPECT_TRUE(item->Status.Contains(drDeletedEntry));
        break;
      case mkcard::EntryState::kRaw:
        EXPECT_TRUE(IsScanName(item->Name, ".jpg")) << item->Name;
        EXPECT_TRUE(item->Status.Contains(drScanValid));
        break;
    }
    if (record.content == "jpg") {
      EXPECT_EQ(item->Dimensions, (TXSize{record.width, record.height})) << record.path;
      EXPECT_TRUE(item->Status.Contains(drThnValidated)) << record.path;
    }
  }
  EXPECT_GE(checked, 14);

  // No file twice: extents and extension together are unique.
  std::set<std::pair<std::string, std::string>> seen;
  for (int32_t i = 0; i < files.Count(); ++i) {
    auto key = std::make_pair(Describe(files[i]->Blocks()), LowerCase(files[i]->Ext));
    EXPECT_TRUE(seen.insert(key).second) << files[i]->Name;
  }
  // Every addition was announced, in order, and the progress only grew to its end.
  ASSERT_EQ(scan.added.size(), static_cast<size_t>(files.Count()));
  for (int32_t i = 0; i < files.Count(); ++i)
    EXPECT_EQ(scan.added[i], files[i]);
  EXPECT_TRUE(std::is_sorted(scan.positions.begin(), scan.positions.end()));
  ASSERT_FALSE(scan.positions.empty());
  EXPECT_EQ(scan.positions.back(), 1000);
}

TEST_F(DemoCardScan, ExtensionFilterKeepsOnlyTheChosenTypes) {
  struct Types : TXGear, IXDRRunDataSource {
    Types() : TXGear("data") {}
    TXDRFileCollection& FoundFiles() override { return files; }
    TXExtensionList ScanExtensions() override { return {".MOV", ".avi"}; }
    uint16_t ScanCodePage() override { return kDefaultCodePage; }
    TXDRFileCollection files;
  };
  ScanHarness scan;
  Types& types = scan.engine.CreateGear<Types>();
  DispatchAspect<TXAssembleAspect>(scan.engine);
  ASSERT_TRUE(scan.ScanImage(card_->image.string()));
  EXPECT_EQ(&scan.Files(), &types.files);
  EXPECT_EQ(scan.gear.Data().ExtFilter, (TXExtensionList{".avi", ".mov"}));
  ASSERT_GE(types.files.Count(), 2);
  for (int32_t i = 0; i < types.files.Count(); ++i) {
    std::string ext = LowerCase(types.files[i]->Ext);
    EXPECT_TRUE(ext == ".avi" || ext == ".mov") << types.files[i]->Name;
  }
  EXPECT_NE(scan.Find("MVI_0004.AVI"), nullptr);
  EXPECT_NE(scan.Find("MVI_0010.MOV"), nullptr);
}

// A medium without a file system: bytes written at chosen offsets of a zeroed image.
class PlainMedium {
 public:
  explicit PlainMedium(int64_t size) : image_(dir_ / "plain.img") {
    std::ofstream(image_, std::ios::binary).close();
    std::filesystem::resize_file(image_, static_cast<uintmax_t>(size));
  }
  void Write(int64_t offset, const mkcard::Bytes& bytes) {
    std::fstream file(image_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::string Image() const { return image_.string(); }

 private:
  test::TempDir dir_;
  std::filesystem::path image_;
};

TEST(DeepScan, FilesStartOnlyOnTheStepGrid) {
  mkcard::Content photo = test::Photo(320, 240, 21);
  for (int64_t offset : {int64_t{1000}, int64_t{1024}}) {
    PlainMedium medium(1 << 20);
    medium.Write(offset, photo.bytes);
    ScanHarness scan;
    ASSERT_TRUE(scan.ScanImage(medium.Image()));
    EXPECT_EQ(scan.endCode, kErrNone);
    if (offset == 1000) {
      EXPECT_EQ(scan.Files().Count(), 0) << testing::PrintToString(scan.Names());
      continue;
    }
    ASSERT_EQ(scan.Files().Count(), 1);
    const TXDRFileItem& item = *scan.Files()[0];
    EXPECT_EQ(item.Name, "000001.jpg");
    TXBlocks expected;
    expected.Add(offset, static_cast<int64_t>(photo.bytes.size()));
    EXPECT_EQ(item.Blocks(), expected);
    EXPECT_EQ(item.Dimensions, (TXSize{320, 240}));
    EXPECT_TRUE(item.Status.Contains(drScanValid));
    // One pass over the whole medium.
    EXPECT_EQ(scan.positions.back(), 1000);
  }
}

TEST(DeepScan, IdenticalPhotosAtTwoPlacesAreBothFound) {
  mkcard::Content photo = test::Photo(200, 150, 22);
  PlainMedium medium(1 << 20);
  medium.Write(4096, photo.bytes);
  medium.Write(512 * 1024, photo.bytes);
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(medium.Image()));
  EXPECT_EQ(scan.Names(), (std::vector<std::string>{"000001.jpg", "000002.jpg"}));
}

TEST(DeepScan, CutShortPhotoDoesNotSwallowThePhotoAfterIt) {
  mkcard::Content cut = test::Photo(320, 240, 27);
  cut.bytes.resize(cut.bytes.size() / 2);
  mkcard::Content whole = test::Photo(320, 240, 28);
  PlainMedium medium(1 << 20);
  medium.Write(4096, cut.bytes);
  medium.Write(256 * 1024, whole.bytes);
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(medium.Image()));
  ASSERT_EQ(scan.Files().Count(), 1) << testing::PrintToString(scan.Names());
  TXBlocks expected;
  expected.Add(256 * 1024, static_cast<int64_t>(whole.bytes.size()));
  EXPECT_EQ(scan.Files()[0]->Blocks(), expected) << Describe(scan.Files()[0]->Blocks());
}

TEST(DeepScan, PhotoSplitByAnOccupiedRunIsFollowedAcrossIt) {
  FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  mkcard::Content photo = test::Photo(640, 480, 23);
  const uint32_t cluster = card.ClusterBytes();
  ASSERT_GT(photo.bytes.size(), 2u * cluster);
  // The photo's first two clusters on 100-101, a live file on 102-103, the rest from 104 on.
  mkcard::Content head, tail;
  head.bytes.assign(photo.bytes.begin(), photo.bytes.begin() + 2 * cluster);
  tail.bytes.assign(photo.bytes.begin() + 2 * cluster, photo.bytes.end());
  KOVA_CARD_OK(
      card.Builder().WriteFile("BUSY.DAT", mkcard::MakeData(2 * cluster, 5), Clusters({102, 103})));
  KOVA_CARD_OK(card.Builder().WriteRaw(card.ClusterOffset(100), head, "HEAD"));
  KOVA_CARD_OK(card.Builder().WriteRaw(card.ClusterOffset(104), tail, "TAIL"));
  KOVA_CARD_OK(card.Save());
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  TXBlocks expected;
  expected.Add(static_cast<int64_t>(card.ClusterOffset(100)), 2 * cluster);
  expected.Add(static_cast<int64_t>(card.ClusterOffset(104)),
               static_cast<int64_t>(tail.bytes.size()));
  const TXDRFileItem* item = OnExtents(scan.Files(), expected);
  ASSERT_NE(item, nullptr) << testing::PrintToString(scan.Names());
  EXPECT_EQ(item->Name, "000001.jpg");
  EXPECT_EQ(item->Dimensions, (TXSize{640, 480}));
}

TEST(DeepScan, LiveAreaIsSearchedAgainForFilesInsideOtherFiles) {
  FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  mkcard::Content photo = test::Photo(320, 240, 24);
  // An archive that holds a photo 8 KiB into it, and the same photo stored as a .RAW file.
  mkcard::Content archive = mkcard::MakeData(8192, 6);
  archive.bytes.insert(archive.bytes.end(), photo.bytes.begin(), photo.bytes.end());
  KOVA_CARD_OK(card.Builder().WriteFile("ARCHIVE.DAT", archive));
  mkcard::Content raw = photo;
  KOVA_CARD_OK(card.Builder().WriteFile("PHOTO.RAW", raw));
  KOVA_CARD_OK(card.Save());
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));

  const mkcard::ManifestRecord& archiveRecord = card.Record("ARCHIVE.DAT");
  TXBlocks inside;
  inside.Add(static_cast<int64_t>(archiveRecord.extents[0].offset) + 8192,
             static_cast<int64_t>(photo.bytes.size()));
  const TXDRFileItem* embedded = OnExtents(scan.Files(), inside);
  ASSERT_NE(embedded, nullptr) << testing::PrintToString(scan.Names());
  EXPECT_TRUE(IsScanName(embedded->Name, ".jpg"));
  // The .RAW file is a live entry of a catalogue type: its bytes, found again as a JPEG, are
  // that file and are not offered a second time.
  const TXDRFileItem* live = scan.Find("PHOTO.RAW");
  ASSERT_NE(live, nullptr);
  EXPECT_TRUE(live->Status.Contains(drEntry));
  int sameExtents = 0;
  for (int32_t i = 0; i < scan.Files().Count(); ++i)
    sameExtents += scan.Files()[i]->Blocks() == live->Blocks();
  EXPECT_EQ(sameExtents, 1);
  // .dat is no catalogue type: the archive itself is not kept.
  EXPECT_EQ(scan.Find("ARCHIVE.DAT"), nullptr);
}

TEST(DeepScan, DeletedEntriesOnTheSameClustersAreKeptOnce) {
  FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  mkcard::Content photo = test::Photo(320, 240, 25);
  KOVA_CARD_OK(card.Builder().WriteFile("IMGA.JPG", photo, mkcard::Placement{{}, 50}));
  KOVA_CARD_OK(card.Builder().Delete("IMGA.JPG"));
  KOVA_CARD_OK(card.Builder().WriteFile("IMGB.JPG", photo, mkcard::Placement{{}, 50}));
  KOVA_CARD_OK(card.Builder().Delete("IMGB.JPG"));
  KOVA_CARD_OK(card.Save());
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  EXPECT_EQ(scan.Names(), std::vector<std::string>{"!MGA.JPG"});
}

TEST(DeepScan, Fat12CardIsReadThroughItsDirectories) {
  mkcard::VolumeOptions options = test::Fat16Options(1 << 20, 4);
  options.type = mkcard::FatType::kFat12;
  FixtureCard card(options);
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Builder().WriteFile("IMG_0001.JPG", test::Photo(160, 120, 26)));
  KOVA_CARD_OK(card.Save());
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  // The photo comes back once, by its entry and name, not also by the search.
  ASSERT_EQ(scan.Files().Count(), 1);
  EXPECT_EQ(scan.Files()[0]->Name, "IMG_0001.JPG");
  EXPECT_EQ(scan.Files()[0]->Blocks(), ExtentsOf(card.Record("IMG_0001.JPG")));
}

}  // namespace
}  // namespace kova

namespace kova {
namespace {

// Unpacks a sample archive into the folder with the system's gunzip or unzip; the path of the
// image, or an empty path when the tool is missing or fails.
std::filesystem::path Unpack(const std::filesystem::path& archive, const test::TempDir& dir,
                             const std::string& image) {
  std::string command =
      archive.extension() == ".gz"
          ? "gunzip -c '" + archive.string() + "' > '" + (dir / image).string() + "'"
          : "unzip -q -o '" + archive.string() + "' -d '" + dir.Path().string() + "'";
  if (std::system((command + " 2>/dev/null").c_str()) != 0) return {};
  return std::filesystem::exists(dir / image) ? dir / image : std::filesystem::path();
}

TEST(DeepScanRealImages, PartitionedCardIsReadVolumeByVolume) {
  KOVA_SAMPLE_OR_SKIP(archive, "sdcard_mbr_fat16_fat32.img.gz");
  test::TempDir dir;
  std::filesystem::path image = Unpack(archive, dir, "sdcard.img");
  if (image.empty()) GTEST_SKIP() << "gunzip could not unpack the sample";
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(image.string()));
  // Both FAT volumes behind the table are read; their text files are no catalogue type and the
  // card holds no pictures.
  EXPECT_EQ(scan.endCode, kErrNone);
  EXPECT_EQ(scan.gear.Data().Volumes.RecognisedCount(), 2);
  EXPECT_EQ(scan.Files().Count(), 0) << testing::PrintToString(scan.Names());
}

TEST(DeepScanRealImages, PhotosWithoutExtensionAreCarvedFromAPartitionedCard) {
  KOVA_SAMPLE_OR_SKIP(archive, "fat32_mbr_64mib_lowclusters.img.zip");
  test::TempDir dir;
  std::filesystem::path image = Unpack(archive, dir, "evidence.img");
  if (image.empty()) GTEST_SKIP() << "unzip could not unpack the sample";
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(image.string()));
  EXPECT_EQ(scan.endCode, kErrNone);
  // Three web pictures made by the gd library, 168 to 300 pixels wide, in folders 1, 2 and 3.
  ASSERT_EQ(scan.Files().Count(), 3) << testing::PrintToString(scan.Names());
  for (int32_t i = 0; i < scan.Files().Count(); ++i) {
    const TXDRFileItem& item = *scan.Files()[i];
    EXPECT_EQ(item.Name, FoundFileName(i + 1, ".jpg"));
    EXPECT_GE(item.Dimensions.Width, 168);
    EXPECT_LE(item.Dimensions.Width, 300);
    EXPECT_TRUE(item.Status.Contains(drThnValidated));
    std::string bytes(static_cast<size_t>(item.Size()), '\0');
    std::ifstream in(image, std::ios::binary);
    in.seekg(item.Blocks()[0].Start);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
    EXPECT_NE(bytes.find("CREATOR: gd-jpeg"), std::string::npos);
  }
}

}  // namespace
}  // namespace kova
