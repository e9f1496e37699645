#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "card_builder.h"
#include "fat/card_fixture.h"
#include "recipe.h"
#include "recovery/entry_files.h"
#include "recovery/scan_harness.h"
#include "support/offered_files.h"

// What the search may add to the files that directory entries describe: no piece of them.
namespace kova {
namespace {

using test::ExtentsOf;
using test::ScanHarness;

bool IsScanName(const std::string& name) {
  return std::regex_match(name, std::regex("[0-9]{6}\\.[a-z0-9]+"));
}

// A card made from a recipe, saved with its manifest.
struct RecipeCard {
  explicit RecipeCard(std::string_view recipe) {
    mkcard::CardBuilder builder;
    const mkcard::Status built = mkcard::RunRecipe(recipe, {{}, test::SamplesDir()}, &builder);
    EXPECT_TRUE(built.ok()) << built.message();
    EXPECT_TRUE(builder.Save(image).ok());
    manifest = builder.MakeManifest();
  }
  const mkcard::ManifestRecord& Record(std::string_view path) const {
    const mkcard::ManifestRecord* record = manifest.Find(path);
    EXPECT_NE(record, nullptr) << path;
    static const mkcard::ManifestRecord kNone;
    return record ? *record : kNone;
  }

  test::TempDir dir;
  std::filesystem::path image = dir / "card.img";
  mkcard::Manifest manifest;
};

// The found files whose first byte is the given offset of the medium.
std::vector<const TXDRFileItem*> StartingAt(TXDRFileCollection& files, int64_t offset) {
  std::vector<const TXDRFileItem*> found;
  for (int32_t i = 0; i < files.Count(); ++i) {
    if (files[i]->Blocks()[0].Start == offset) found.push_back(files[i]);
  }
  return found;
}

TEST(EntryParts, FilesOfACardWithNothingDeletedAreFoundOnlyThroughTheirEntries) {
  KOVA_SAMPLE_OR_SKIP(movie, "canon_powershot_mvi_mjpeg.avi");
  // Fragmented photos with other photos between their pieces, movies of JPEG frames, raw files
  // and a raw file holding a complete photo 8 KiB in: every byte belongs to a listed file.
  RecipeCard card(R"(volume fat16 size=32M cluster=2K
folder DCIM
file DCIM/IMG_0001.JPG photo=1280x960 thumbnail=yes seed=1 fragments=2 gap=3
file DCIM/IMG_0002.JPG photo=640x480 seed=2
file DCIM/IMG_0003.JPG photo=1280x960 thumbnail=yes seed=3 fragments=3 gap=2
file DCIM/MVI_0004.AVI avi=320x240 frames=20 seed=4
file DCIM/MVI_0005.AVI copy=samples:canon_powershot_mvi_mjpeg.avi
file DCIM/IMG_0006.PEF copy=samples:pentax_k3ii.pef
file DCIM/MVI_0007.MOV mov=320x240 frames=12 seed=7
file DCIM/IMG_0008.JPG photo=640x480 seed=8
)");
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.image.string()));
  EXPECT_EQ(scan.endCode, kErrNone);
  std::vector<std::string> names = scan.Names();
  std::ranges::sort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG",
                                             "IMG_0006.PEF", "IMG_0008.JPG", "MVI_0004.AVI",
                                             "MVI_0005.AVI", "MVI_0007.MOV"}));
  for (const char* path : {"DCIM/IMG_0001.JPG", "DCIM/IMG_0003.JPG"}) {
    const mkcard::ManifestRecord& record = card.Record(path);
    ASSERT_GT(record.extents.size(), 1u) << path;
    const TXDRFileItem* item = scan.Find(record.short_name);
    ASSERT_NE(item, nullptr) << path;
    EXPECT_EQ(item->Blocks(), ExtentsOf(record)) << path;
  }
}

TEST(EntryParts, ADeletedPhotoComesBackOnceWithTheBytesItsEntryNames) {
  KOVA_SAMPLE_OR_SKIP(padded, "nikon_e775_exif_thumb_padded.jpg");
  // The camera padded the file after the picture's end: the search would measure it shorter.
  RecipeCard card(R"(volume fat32 size=40M cluster=512
folder DCIM
file DCIM/IMG_0001.JPG copy=samples:nikon_e775_exif_thumb_padded.jpg
file DCIM/IMG_0002.JPG photo=640x480 seed=2
delete DCIM/IMG_0001.JPG
)");
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.image.string()));
  const mkcard::ManifestRecord& record = card.Record("DCIM/IMG_0001.JPG");
  std::vector<const TXDRFileItem*> found =
      StartingAt(scan.Files(), static_cast<int64_t>(record.extents[0].offset));
  ASSERT_EQ(found.size(), 1u) << testing::PrintToString(scan.Names());
  EXPECT_EQ(found[0]->Name, "!MG_0001.JPG");
  EXPECT_EQ(found[0]->Blocks(), ExtentsOf(record));
  EXPECT_TRUE(found[0]->Status.Contains(drThnValidated));
}

TEST(EntryParts, APhotoWrittenOverTheClustersOfADeletedPhotoIsFoundInsideThem) {
  // The old photo's entry still names 40 clusters; from its 11th on they hold a later photo
  // that has no entry (its folder was lost) and that the search must still find.
  RecipeCard card(R"(volume fat32 size=40M cluster=512
folder DCIM
file DCIM/IMG_0001.JPG photo=1600x1200 seed=1
delete DCIM/IMG_0001.JPG
raw cluster=DCIM/IMG_0001.JPG+10 photo=320x240 seed=2 name=LATER.JPG
)");
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.image.string()));
  ASSERT_NE(scan.Find("!MG_0001.JPG"), nullptr) << testing::PrintToString(scan.Names());
  const mkcard::ManifestRecord& later = card.Record("LATER.JPG");
  std::vector<const TXDRFileItem*> found =
      StartingAt(scan.Files(), static_cast<int64_t>(later.extents[0].offset));
  ASSERT_EQ(found.size(), 1u) << testing::PrintToString(scan.Names());
  EXPECT_TRUE(IsScanName(found[0]->Name)) << found[0]->Name;
  EXPECT_EQ(found[0]->Blocks(), ExtentsOf(later));
}

TEST(EntryParts, AFileAfterADeletedMovieWhoseClustersWereTakenIsFound) {
  test::FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  mkcard::Content movie;
  ASSERT_TRUE(mkcard::MakeAviVideo(mkcard::VideoOptions{}, &movie).ok());
  const auto clusters =
      static_cast<uint32_t>((movie.bytes.size() + card.ClusterBytes() - 1) / card.ClusterBytes());
  KOVA_CARD_OK(card.Builder().WriteFile("MVI_0001.AVI", movie, mkcard::Placement{{}, 100}));
  KOVA_CARD_OK(card.Builder().Delete("MVI_0001.AVI"));
  // A later photo took one of the movie's clusters, so the free-cluster rule runs one cluster
  // past the movie's end, where a photo without an entry lies.
  KOVA_CARD_OK(card.Builder().WriteFile("KEEP.JPG", test::Photo(64, 48, 3), test::Clusters({102})));
  const mkcard::Content lost = test::Photo(320, 240, 4);
  KOVA_CARD_OK(card.Builder().WriteRaw(card.ClusterOffset(100 + clusters), lost, "LOST.JPG"));
  KOVA_CARD_OK(card.Save());
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  const TXDRFileItem* movieItem = scan.Find("!VI_0001.AVI");
  ASSERT_NE(movieItem, nullptr) << testing::PrintToString(scan.Names());
  ASSERT_TRUE(movieItem->ClustersReused);
  std::vector<const TXDRFileItem*> found =
      StartingAt(scan.Files(), static_cast<int64_t>(card.ClusterOffset(100 + clusters)));
  ASSERT_EQ(found.size(), 1u) << testing::PrintToString(scan.Names());
  EXPECT_EQ(found[0]->Blocks(), ExtentsOf(card.Record("LOST.JPG")));
}

// A deleted entry whose file its format does not recognise (a raw header the walker does not
// know, data cut short) still names the file's place and size.
class UnverifiedEntries : public testing::TestWithParam<const char*> {};

TEST_P(UnverifiedEntries, ADeletedFileItsFormatRejectsComesBackUnverified) {
  RecipeCard card(std::string(GetParam()) + R"(
folder DCIM
file DCIM/IMG_0001.JPG data=20000 seed=5
file DCIM/IMG_0002.NEF data=30000 seed=6
file DCIM/IMG_0003.JPG photo=640x480 seed=7
delete DCIM/IMG_0001.JPG
delete DCIM/IMG_0002.NEF
delete DCIM/IMG_0003.JPG
)");
  ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.image.string()));
  for (const char* path : {"DCIM/IMG_0001.JPG", "DCIM/IMG_0002.NEF"}) {
    SCOPED_TRACE(path);
    const mkcard::ManifestRecord& record = card.Record(path);
    std::vector<const TXDRFileItem*> found =
        StartingAt(scan.Files(), static_cast<int64_t>(record.extents[0].offset));
    ASSERT_EQ(found.size(), 1u) << testing::PrintToString(scan.Names());
    const TXDRFileItem& item = *found[0];
    EXPECT_EQ(OriginOf(item), TXDRFileOrigin::foDeleted);
    EXPECT_EQ(item.Blocks(), ExtentsOf(record));
    EXPECT_TRUE(item.Status.Contains(drScanError));
    EXPECT_TRUE(MayBeDamaged(item));
    EXPECT_TRUE(item.Thumbnail.IsEmpty());
  }
  // A deleted photo its format recognises is verified as before.
  const mkcard::ManifestRecord& photo = card.Record("DCIM/IMG_0003.JPG");
  std::vector<const TXDRFileItem*> found =
      StartingAt(scan.Files(), static_cast<int64_t>(photo.extents[0].offset));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_FALSE(found[0]->Status.Contains(drScanError));
  EXPECT_FALSE(MayBeDamaged(*found[0]));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, UnverifiedEntries,
                         testing::Values("volume fat16 size=32M cluster=2K",
                                         "volume exfat size=40M cluster=4K"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).find("exfat") != std::string::npos
                                      ? "ExFat"
                                      : "Fat16";
                         });

TEST(EntryParts, OnlyNamesACameraOrComputerMayGiveArePlausible) {
  for (const char* name : {"IMG_0001.JPG", "!MG_0001.JPG", "Straße in Köln.jpg", "a", "..x"})
    EXPECT_TRUE(PlausibleEntryName(name)) << name;
  for (const char* name : {"", "...", " . ", "IMG\x01.JPG", "A?B.JPG", "A*.JPG", "A/B.JPG",
                           "A:B.JPG", "A|B.JPG", "A<B.JPG", "A\"B.JPG", "A\\B.JPG"})
    EXPECT_FALSE(PlausibleEntryName(name)) << name;
}

}  // namespace
}  // namespace kova
