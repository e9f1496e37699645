// Folders left in free clusters: after a quick format by mkfs.exfat, and on mkcard cards whose
// parent folders were wiped. What a test expects comes from what was written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "exfat/exfat_fixture.h"
#include "recovery/file_status.h"
#include "support/exfat_images.h"
#include "support/fat_images.h"

namespace kova {
namespace {

using test::BytesAt;
using test::ExfatCard;
using test::ExfatRun;
using TXFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

constexpr const char* kPhotos[] = {
    "canon_ixus_exif_thumb.jpg",       "fujifilm_dx10_exif_thumb.jpg",
    "kodak_dc240_exif_thumb.jpg",      "nikon_e950_exif_thumb.jpg",
    "ricoh_rdc5300_exif_thumb.jpg",    "sanyo_sx113_exif_thumb.jpg",
    "sony_cybershot_exif_thumb.jpg",   "casio_ex_s1_exif_thumb.jpg",
    "samsung_gt_i9000_exif_thumb.jpg", "canon_powershot_a40_exif_thumb.jpg",
};

std::string NameOf(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every file comes back whole, by name, as a file of a lost folder.
void ExpectLostFiles(const ExfatRun& run, const std::vector<uint8_t>& image, const TXFiles& files) {
  for (const auto& [path, bytes] : files) {
    SCOPED_TRACE(path);
    const TXDRFileItem* file = run.offered.Find(NameOf(path));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(BytesAt(image, file->Blocks()), bytes);
    EXPECT_TRUE(file->IsDeletedEntry());
    EXPECT_TRUE(file->Status.Contains(drLostFolder));
    EXPECT_EQ(file->Folder.rfind("LOST", 0), 0u) << file->Folder;
  }
}

TEST(ExfatQuickFormat, PhotosOfTheOldFoldersComeBackByName) {
  KOVA_EXFAT_TOOLS_OR_SKIP();
  if (!test::CanMountExfat()) GTEST_SKIP() << "needs root, /dev/fuse, losetup and exfat-fuse";
  if (test::SamplesDir().empty()) GTEST_SKIP() << "the folder of real camera samples is absent";
  test::TempDir dir;
  const std::filesystem::path image = dir / "card.img";
  ASSERT_TRUE(test::MakeExfatImage(image, 64 << 20, "4K", "CAMERA"));
  TXFiles files = {{"DCIM/100MSDCF/DSC00001.JPG",
                    test::ReadFileBytes(test::SamplesDir() / "olympus_pen_e_p3_exif_thumb.jpg")}};
  for (int i = 0; i < 10; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "DCIM/101MSDCF/DSC%05d.JPG", 101 + i);
    files.emplace_back(name, test::ReadFileBytes(test::SamplesDir() / kPhotos[i]));
  }
  files.emplace_back("DCIM/101MSDCF/Sommer in Köln – Abend.jpg",
                     test::ReadFileBytes(test::SamplesDir() / "minolta_dimage_x_exif_thumb.jpg"));
  // A folder that grew while its photos were written: its clusters lie between theirs.
  for (int i = 0; i < 150; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "DCIM/102MSDCF/DSC%05d.JPG", 201 + i);
    files.emplace_back(name, test::Photo(96, 64, static_cast<uint64_t>(i), false).bytes);
  }
  ASSERT_TRUE(test::CopyIntoExfatImage(image, files));
  ASSERT_TRUE(test::QuickFormatExfatImage(image, "4K", "NEW"));
  const std::vector<uint8_t> bytes = test::ReadFileBytes(image);

  ExfatRun run(image);
  ASSERT_TRUE(run.opened);
  run.FromDirectories();
  EXPECT_EQ(run.offered.Count(), 0u) << "the new root is empty";
  run.LostFolders();
  EXPECT_EQ(run.offered.Count(), files.size());
  ExpectLostFiles(run, bytes, files);
  // The old DCIM folder survives the format and names its subfolders.
  for (const auto& [path, data] : files) {
    const std::string folder = path.substr(0, path.rfind('/'));
    EXPECT_TRUE(EndsWith(run.offered.Find(NameOf(path))->Folder, folder.substr(4))) << path;
  }

  // What The Sleuth Kit lists and restores we give back the same, and more: it loses the sets
  // that lie across two clusters of a folder that grew.
  if (std::system("command -v fls >/dev/null && command -v tsk_recover >/dev/null") != 0) return;
  const std::string listed = test::ToolOutput("fls -r -d -f exfat '" + image.string() + "'");
  const std::filesystem::path restored = dir / "tsk";
  ASSERT_EQ(std::system(("tsk_recover -e -f exfat '" + image.string() + "' '" + restored.string() +
                         "' >/dev/null 2>&1")
                            .c_str()),
            0);
  size_t theirs = 0;
  for (const auto& [path, data] : files) {
    const std::filesystem::path copy = restored / "$OrphanFiles" / path.substr(path.find('/') + 1);
    if (listed.find(NameOf(path)) == std::string::npos || !std::filesystem::exists(copy)) continue;
    ++theirs;
    EXPECT_EQ(test::ReadFileBytes(copy), data) << copy;
  }
  EXPECT_GE(theirs, size_t{12}) << "The Sleuth Kit gives back the folders that did not grow";
}

// A card whose DCIM folder was wiped: its subfolders lie in free clusters that nothing lists.
class ExfatLostFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("DCIM"));
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("DCIM/101MSDCF"));
  }
  void Write(const std::string& path, const mkcard::Content& content) {
    KOVA_CARD_OK(card.Volume().WriteExfatFile(path, content));
    files.emplace_back(path, content.bytes);
  }
  uint32_t FirstCluster(const std::string& path) {
    return static_cast<uint32_t>(card.Record(path).first_cluster);
  }
  // Deletes DCIM and wipes its cluster, then saves.
  void LoseDcim() {
    KOVA_CARD_OK(card.Save());
    const uint32_t dcim = FirstCluster("DCIM");
    KOVA_CARD_OK(card.Volume().Delete("DCIM"));
    KOVA_CARD_OK(card.Card().Wipe({dcim}, 0x00));
    KOVA_CARD_OK(card.Save());
    image = test::ReadFileBytes(card.Image());
  }

  ExfatCard card;
  TXFiles files;
  std::vector<uint8_t> image;
};

TEST_F(ExfatLostFolderTest, FoldersFoundInFreeClustersAreNamedByTheSetsThatPointAtThem) {
  KOVA_CARD_OK(card.Volume().MakeExfatFolder("DCIM/101MSDCF/SUB"));
  for (int i = 0; i < 20; ++i)
    Write("DCIM/101MSDCF/IMG_" + std::to_string(1000 + i) + " with a long name.JPG",
          test::Photo(160, 120, i, false));
  Write("DCIM/101MSDCF/SUB/inner.jpg", test::Photo(160, 120, 99, false));
  LoseDcim();
  char lost[24];
  std::snprintf(lost, sizeof lost, "LOST%08u", FirstCluster("DCIM/101MSDCF"));
  ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  run.Everything();
  EXPECT_EQ(run.offered.Count(), files.size());
  ExpectLostFiles(run, image, files);
  EXPECT_EQ(run.offered.Find("inner.jpg")->Folder, std::string(lost) + "/SUB");
  EXPECT_EQ(run.offered.Find("IMG_1000 with a long name.JPG")->Folder, lost);
}

TEST_F(ExfatLostFolderTest, SetsWithAWrongChecksumDoNotMakeAFolder) {
  Write("DCIM/101MSDCF/DSC00001.JPG", test::Photo(160, 120, 1, false));
  KOVA_CARD_OK(card.Volume().BreakSetChecksum("DCIM/101MSDCF/DSC00001.JPG"));
  LoseDcim();
  ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  run.Everything();
  EXPECT_EQ(run.offered.Find("DSC00001.JPG"), nullptr);
}

TEST(ExfatLostFolderBounds, AHeapFullOfEntrySetsIsSearchedWithinItsBudget) {
  // Every free cluster of the card opens a sound set naming one file, and none ends its
  // directory: the search takes them as a few long folders, not as a walk per cluster.
  ExfatCard card(test::ExfatOptions(512, 16 << 20));
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Volume().MakeExfatFolder("A"));
  KOVA_CARD_OK(card.Volume().WriteExfatFile("A/f.jpg", mkcard::MakeData(100, 1)));
  KOVA_CARD_OK(card.Save());
  std::vector<uint8_t> image = test::ReadFileBytes(card.Image());
  const int64_t folder = card.ClusterOffset(card.Record("A").first_cluster);
  const std::vector<uint8_t> cluster(image.begin() + folder, image.begin() + folder + 512);
  for (uint32_t c = card.Record("A/f.jpg").first_cluster + 1;
       card.ClusterOffset(c) + 512 <= static_cast<int64_t>(image.size()); ++c) {
    std::copy(cluster.begin(), cluster.end(), image.begin() + card.ClusterOffset(c));
    image[card.ClusterOffset(c) + 511 - 31] = 0xC1;  // the last entry in use
  }
  test::WriteFileBytes(card.Image(), image);
  ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  run.Everything();
  EXPECT_LE(run.recovery.Tree().Found().size(), size_t{10});
}

}  // namespace
}  // namespace kova
