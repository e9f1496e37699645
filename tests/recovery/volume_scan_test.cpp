#include <gtest/gtest.h>

#include <map>
#include <set>

#include "card_builder.h"
#include "card_manifest.h"
#include "fat/tool_card.h"
#include "framework/text_utils.h"
#include "recipe.h"
#include "recovery/file_item.h"
#include "recovery/scan_harness.h"

namespace kova {
namespace {

constexpr int64_t kMiB = 1 << 20;

std::vector<uint8_t> PhotoBytes(int width, int height, uint64_t seed) {
  return test::Photo(width, height, seed).bytes;
}

// The found files by their content; a file found twice would show as a count of two.
std::multimap<std::vector<uint8_t>, const TXDRFileItem*> ByContent(
    const std::filesystem::path& image, test::ScanHarness& scan) {
  std::multimap<std::vector<uint8_t>, const TXDRFileItem*> found;
  for (int32_t i = 0; i < scan.Files().Count(); ++i)
    found.emplace(test::FoundBytes(image, *scan.Files()[i]), scan.Files()[i]);
  return found;
}

// Checks every written file against the scan: live files and deleted contiguous ones come back
// byte for byte, once, with their volume; answers how many came back under their own name
// and folder.
int CheckWrittenFiles(const test::ToolCard& card, test::ScanHarness& scan) {
  auto found = ByContent(card.Image(), scan);
  int named = 0;
  for (const test::ToolCardFile& file : card.Files()) {
    if (!file.path.ends_with(".jpg") && !file.path.ends_with(".JPG")) continue;
    auto [first, last] = found.equal_range(file.bytes);
    size_t copies = static_cast<size_t>(std::distance(first, last));
    EXPECT_GE(copies, 1u) << file.path << " did not come back";
    if (copies == 0) continue;
    const TXDRFileItem* item = first->second;
    EXPECT_EQ(item->Volume, file.volume) << file.path;
    EXPECT_EQ(item->IsDeletedEntry(), file.deleted) << file.path;
    // A deleted file with a short name only has lost its first letter.
    std::string name = file.Name();
    bool shortOnly = name.size() <= 12 && name == UpperCase(name);
    if (file.deleted && shortOnly) name[0] = '!';
    if (item->Name == name && item->Folder == file.Folder()) {
      ++named;
    } else {
      ADD_FAILURE() << file.path << " came back as " << item->Folder << " / " << item->Name;
    }
  }
  return named;
}

// Old cameras and small partitions are FAT12: such a card gives its photos back like a FAT16 one,
// live and deleted, by name, folder and date.
TEST(SmallCardScan, Fat12CardGivesItsPhotosBackLikeFat16) {
  KOVA_FAT_TOOLS_OR_SKIP();
  std::map<int, std::set<std::tuple<std::string, std::string, bool>>> byWidth;
  for (int bits : {12, 16}) {
    SCOPED_TRACE(bits);
    test::ToolCard card;
    ASSERT_TRUE(card.Partition(16 * kMiB, ""));
    ASSERT_TRUE(card.Format(1, 0, 16 * 1024, bits, bits == 12 ? 16 : 4, "OLDCAM"));
    ASSERT_TRUE(card.Write(1, "DCIM/100OLDCM/DSC00001.JPG", PhotoBytes(640, 480, 21)));
    ASSERT_TRUE(card.Write(1, "DCIM/100OLDCM/DSC00002.JPG", PhotoBytes(640, 480, 22)));
    ASSERT_TRUE(card.Write(1, "DCIM/100OLDCM/DSC00003.JPG", PhotoBytes(640, 480, 23)));
    ASSERT_TRUE(card.Delete(1, "DCIM/100OLDCM/DSC00002.JPG"));
    test::ScanHarness scan;
    ASSERT_TRUE(scan.ScanImage(card.Image().string()));
    EXPECT_EQ(CheckWrittenFiles(card, scan), 3);  // the deleted one as !SC00002.JPG
    for (int32_t i = 0; i < scan.Files().Count(); ++i) {
      const TXDRFileItem& item = *scan.Files()[i];
      EXPECT_GT(item.Modified, 0) << item.Name << " has the date of its entry";
      byWidth[bits].insert({item.Name, item.Folder, item.IsDeletedEntry()});
    }
  }
  EXPECT_EQ(byWidth[12], byWidth[16]);
  EXPECT_EQ(byWidth[12].size(), 3u) << "nothing is found twice or by the search alone";
}

class PartitionedCardScan : public ::testing::Test {
 protected:
  void SetUp() override { KOVA_PARTITION_TOOLS_OR_SKIP(); }
};

TEST_F(PartitionedCardScan, Fat32PartitionWithLongNamesGivesEveryFileOnceByteForByte) {
  test::ToolCard card;
  // As the SD formatter lays a card out: one FAT32 partition at 4 MiB.
  ASSERT_TRUE(card.Partition(48 * kMiB, "label: dos\nstart=8192, type=c\n"));
  ASSERT_TRUE(card.Format(1, 8192, 40 * 1024, 32, 1, "PHOTOS"));
  ASSERT_TRUE(card.Write(1, "DCIM/100CANON/IMG_0001.JPG", PhotoBytes(640, 480, 1)));
  ASSERT_TRUE(card.Write(1, "DCIM/101CANON/IMG_0001.JPG", PhotoBytes(640, 480, 2)));
  ASSERT_TRUE(card.Write(1, "DCIM/Holiday photo at the beach.jpg", PhotoBytes(800, 600, 3)));
  ASSERT_TRUE(card.Write(1,
                         "Gr\xC3\xB6\xC3\x9F"
                         "e caf\xC3\xA9.jpg",
                         PhotoBytes(320, 240, 4)));
  ASSERT_TRUE(card.Write(1, "IMG_20240612_153012.jpg", PhotoBytes(640, 480, 7)));
  // A hole, then a filler up to near the end of the card: the next file fills the card's tail
  // and goes on in the hole, fragmented.
  std::vector<uint8_t> big = PhotoBytes(1600, 1200, 8);
  ASSERT_TRUE(card.Write(1, "hole.dat", std::vector<uint8_t>(big.size(), 0x5A)));
  int64_t free = test::FreeBytesByMtools(card.Image(), card.Start(1));
  ASSERT_GT(free, static_cast<int64_t>(big.size()));
  ASSERT_TRUE(card.Write(1, "filler.bin", std::vector<uint8_t>(free - big.size() / 2, 0x33)));
  ASSERT_TRUE(card.Delete(1, "hole.dat"));
  ASSERT_TRUE(card.Write(1, "DCIM/Fragmented photo.jpg", big));
  ASSERT_TRUE(card.Delete(1, "IMG_20240612_153012.jpg"));
  test::ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  EXPECT_EQ(scan.endCode, kErrNone);
  const TXDRFileItem* fragmented = scan.Find("Fragmented photo.jpg");
  ASSERT_NE(fragmented, nullptr) << testing::PrintToString(scan.Names());
  EXPECT_GT(fragmented->Blocks().Count(), 1);

  const int total = static_cast<int>(card.Files().size()) - 1;  // the filler is no photo
  const int named = CheckWrittenFiles(card, scan);
  EXPECT_GE(named * 100, total * 95) << named << " of " << total << " with their own names";

  // Picking the partition itself gives the same finds.
  std::filesystem::path partition = card.ExtractVolume(1, 40 * kMiB);
  test::ScanHarness alone;
  ASSERT_TRUE(alone.ScanImage(partition.string()));
  std::multiset<std::tuple<std::string, std::string, int64_t>> onDisk, onPartition;
  for (int32_t i = 0; i < scan.Files().Count(); ++i)
    onDisk.insert({scan.Files()[i]->Name, scan.Files()[i]->Folder, scan.Files()[i]->Size()});
  for (int32_t i = 0; i < alone.Files().Count(); ++i)
    onPartition.insert(
        {alone.Files()[i]->Name, alone.Files()[i]->Folder, alone.Files()[i]->Size()});
  EXPECT_EQ(onDisk, onPartition);
}

TEST_F(PartitionedCardScan, OldFat16CardAtSector63AndAFileInTheGapBehindIt) {
  test::ToolCard card;
  ASSERT_TRUE(card.Partition(40 * kMiB, "label: dos\nstart=63, size=65536, type=6\n"));
  ASSERT_TRUE(card.Format(1, 63, 32 * 1024, 16, 4, "CAMERA"));
  ASSERT_TRUE(card.Write(1, "DCIM/100OLYMP/P1010001.JPG", PhotoBytes(640, 480, 11)));
  ASSERT_TRUE(card.Write(1, "DCIM/100OLYMP/P1010002.JPG", PhotoBytes(640, 480, 12)));
  ASSERT_TRUE(card.Write(1, "DCIM/100OLYMP/P1010003.JPG", PhotoBytes(640, 480, 13)));
  ASSERT_TRUE(card.Delete(1, "DCIM/100OLYMP/P1010002.JPG"));
  // A photo in the unpartitioned tail, outside every volume.
  std::vector<uint8_t> tail = PhotoBytes(320, 240, 14);
  std::vector<uint8_t> all = test::ReadFileBytes(card.Image());
  const int64_t tailAt = 36 * kMiB;
  std::copy(tail.begin(), tail.end(), all.begin() + tailAt);
  test::WriteFileBytes(card.Image(), all);
  test::ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  EXPECT_EQ(CheckWrittenFiles(card, scan), 3);  // the deleted one as !1010002.JPG
  auto found = ByContent(card.Image(), scan);
  ASSERT_EQ(found.count(tail), 1u);
  EXPECT_EQ(found.find(tail)->second->Volume, 0);
  EXPECT_EQ(found.find(tail)->second->Blocks()[0].Start, tailAt);
}

TEST_F(PartitionedCardScan, BadEntriesAndBootSectorsNeverStopTheCarving) {
  test::ToolCard card;
  ASSERT_TRUE(card.Partition(48 * kMiB,
                             "label: dos\nstart=2048, size=81920, type=c\n"
                             "start=83968, size=8192, type=c\n"));
  ASSERT_TRUE(card.Format(1, 2048, 40 * 1024, 32, 1, "ONE"));
  ASSERT_TRUE(card.Write(1, "DCIM/IMG_0001.JPG", PhotoBytes(640, 480, 21)));
  std::vector<uint8_t> all = test::ReadFileBytes(card.Image());
  // The second entry now reaches past the end; the first volume's boot sector is zeroed and,
  // being FAT32, has its backup at sector 6.
  all[446 + 16 + 12 + 3] = 0x40;
  std::fill_n(all.begin() + 2048 * 512, 512, 0);
  test::WriteFileBytes(card.Image(), all);
  test::ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage(card.Image().string()));
  EXPECT_EQ(scan.endCode, kErrNone);
  const TXDRFileItem* photo = scan.Find("IMG_0001.JPG");
  ASSERT_NE(photo, nullptr) << testing::PrintToString(scan.Names());
  EXPECT_EQ(photo->Folder, "DCIM");
  EXPECT_EQ(test::FoundBytes(card.Image(), *photo), card.Files()[0].bytes);
}

// Cards built by mkcard from a recipe. Every photo the manifest lists (live, deleted, or written
// without an entry) must come back once, byte for byte, with its volume, and those with an
// entry under their name (the long name, else the short one with "!" for a lost first letter)
// and in their folder.
class RecipeCardScan : public ::testing::Test {
 protected:
  void Build(const std::string& recipe) {
    mkcard::CardBuilder card;
    const mkcard::Status built = mkcard::RunRecipe(recipe, {}, &card);
    ASSERT_TRUE(built.ok()) << built.message();
    ASSERT_TRUE(card.Save(image_).ok());
    manifest_ = card.MakeManifest();
    card_ = test::ReadFileBytes(image_);
    ASSERT_TRUE(scan_.ScanImage(image_.string()));
    ASSERT_EQ(scan_.endCode, kErrNone);
  }
  // A photo written without an entry belongs to the partition it was written in (1 on a card
  // without a table), or to none.
  int ExpectedVolume(const mkcard::ManifestRecord& record) const {
    if (record.state != mkcard::EntryState::kRaw) return record.volume;
    if (manifest_.card.table == "none") return 1;
    const uint64_t at = record.extents.front().offset;
    for (const mkcard::ManifestPartition& partition : manifest_.partitions) {
      if (partition.kind != "extended" && !partition.past_end && at >= partition.offset &&
          at < partition.offset + partition.bytes)
        return partition.number;
    }
    return 0;
  }
  static std::string ExpectedName(const mkcard::ManifestRecord& record) {
    if (!record.long_name.empty()) return record.long_name;
    if (record.state != mkcard::EntryState::kDeleted) return record.short_name;
    return "!" + record.short_name.substr(1);
  }
  std::vector<uint8_t> WrittenBytes(const mkcard::ManifestRecord& record) const {
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& e : record.extents) {
      const auto from = card_.begin() + static_cast<std::ptrdiff_t>(e.offset);
      bytes.insert(bytes.end(), from, from + static_cast<std::ptrdiff_t>(e.size));
    }
    return bytes;
  }
  // Answers how many photos of each volume came back (0: outside every volume).
  std::map<int, int> CheckEveryPhoto() {
    auto found = ByContent(image_, scan_);
    std::map<int, int> perVolume;
    for (const mkcard::ManifestRecord& record : manifest_.records) {
      if (record.content != "jpg" || !record.intact) continue;
      const std::vector<uint8_t> bytes = WrittenBytes(record);
      EXPECT_EQ(found.count(bytes), 1u) << record.path << " comes back once";
      if (found.count(bytes) == 0) continue;
      const TXDRFileItem& item = *found.find(bytes)->second;
      EXPECT_EQ(item.Volume, ExpectedVolume(record)) << record.path;
      if (record.state != mkcard::EntryState::kRaw) {
        EXPECT_EQ(item.Name, ExpectedName(record)) << record.path;
        EXPECT_EQ(item.Folder, record.folder_path) << record.path;
      }
      ++perVolume[ExpectedVolume(record)];
    }
    return perVolume;
  }

  test::TempDir dir_;
  std::filesystem::path image_ = dir_ / "card.img";
  mkcard::Manifest manifest_;
  std::vector<uint8_t> card_;
  test::ScanHarness scan_;
};

TEST_F(RecipeCardScan, PrimaryAndLogicalPartitionsAndTheGapsBetweenThem) {
  Build(R"(card size=96M table=mbr
partition primary start=63 size=24M
volume fat16 cluster=2K label=CAMERA
folder DCIM
folder DCIM/100OLYMP
file DCIM/100OLYMP/P1010001.JPG photo=640x480 seed=1
file DCIM/100OLYMP/P1010002.JPG photo=640x480 seed=2
delete DCIM/100OLYMP/P1010002.JPG
partition extended start=26M size=68M
partition logical start=27M size=40M
volume fat32 cluster=512 label=PHONE
folder DCIM
folder "DCIM/Camera Roll"
file "DCIM/Camera Roll/Holiday photo at the beach.jpg" photo=800x600 seed=3
file "DCIM/Camera Roll/IMG_20240612_153012.jpg" photo=640x480 seed=4
delete "DCIM/Camera Roll/IMG_20240612_153012.jpg"
partition logical start=68M size=24M
volume fat16 cluster=2K label=THIRD
file "GrÃ¶Ãe cafÃ©.jpg" photo=320x240 seed=5
raw offset=25M photo=320x240 seed=6 name=between.jpg
raw offset=95M photo=160x120 seed=7 name=tail.jpg
)");
  ASSERT_EQ(manifest_.volumes.size(), 3u);
  EXPECT_EQ(manifest_.FindPartition(5)->kind, "logical");
  EXPECT_EQ(manifest_.FindPartition(6)->kind, "logical");
  EXPECT_EQ(CheckEveryPhoto(), (std::map<int, int>{{0, 2}, {1, 2}, {5, 2}, {6, 1}}));
}

TEST_F(RecipeCardScan, GptPartitionsFromTheBackupWhenThePrimaryHeaderIsDamaged) {
  Build(R"(card size=96M table=gpt
partition start=1M size=48M name="Camera photos"
volume fat32 cluster=512 label=GPTONE
folder DCIM
file "DCIM/Sunset over the lake.jpg" photo=800x600 seed=11
file DCIM/IMG_0002.JPG photo=640x480 seed=12
delete DCIM/IMG_0002.JPG
partition start=50M size=24M type=linux
partition start=75M size=20M
volume fat16 cluster=1K label=GPTTWO
file "Family dinner.jpg" photo=320x240 seed=13
raw offset=60M photo=320x240 seed=14 name=in-linux.jpg
damage gpt-header how=crc
)");
  // The photo in the partition without a known file system is found by its content.
  EXPECT_EQ(CheckEveryPhoto(), (std::map<int, int>{{1, 2}, {2, 1}, {3, 1}}));
}

}  // namespace
}  // namespace kova
