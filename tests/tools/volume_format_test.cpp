// Fresh volumes of each FAT type: the tools of dosfstools and mtools accept them, and the boot
// area holds what the recovery reads (type text, FSInfo, backup boot sector, root cluster).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "card_builder.h"
#include "card_test_support.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

using kova::test::TempDir;

std::string TextAt(const std::vector<uint8_t>& b, size_t at, size_t count) {
  return std::string(b.begin() + at, b.begin() + at + count);
}

struct SavedCard {
  std::filesystem::path image;
  Manifest manifest;
};

SavedCard SaveWithAFile(const TempDir& dir, const VolumeOptions& options, const std::string& name) {
  CardBuilder card;
  EXPECT_TRUE(card.Format(options).ok());
  EXPECT_TRUE(card.MakeFolder("DCIM").ok());
  EXPECT_TRUE(card.WriteFile("DCIM/NOTE.TXT", MakeText("a note on the card\n")).ok());
  SavedCard saved{dir / (name + ".img"), {}};
  const Status done = card.Save(saved.image, dir / (name + ".jsonl"));
  EXPECT_TRUE(done.ok()) << done.message();
  saved.manifest = card.MakeManifest();
  return saved;
}

class VolumeFormatTest : public ::testing::TestWithParam<FatType> {};

VolumeOptions OptionsFor(FatType type) {
  switch (type) {
    case FatType::kFat12:
      return SmallFat12();
    case FatType::kFat16:
      return SmallFat16();
    case FatType::kFat32:
      return SmallFat32();
  }
  return SmallFat16();
}

TEST_P(VolumeFormatTest, FsckAndMtoolsAcceptTheVolume) {
  SKIP_WITHOUT_TOOL("fsck.fat");
  SKIP_WITHOUT_TOOL("mdir");
  TempDir dir;
  const SavedCard card = SaveWithAFile(dir, OptionsFor(GetParam()), "card");
  const ToolRun fsck = RunCommand("fsck.fat -n " + Quote(card.image));
  EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  const ToolRun listing = RunCommand("mdir -i " + Quote(card.image) + " ::DCIM");
  EXPECT_EQ(listing.exit_code, 0) << listing.output;
  EXPECT_NE(listing.output.find("NOTE     TXT        19"), std::string::npos) << listing.output;
  const ToolRun content = RunCommand("mtype -i " + Quote(card.image) + " ::DCIM/NOTE.TXT");
  EXPECT_EQ(content.output, "a note on the card\n");
}

TEST_P(VolumeFormatTest, TypeTextSitsWhereTheFatTypeDecides) {
  TempDir dir;
  const SavedCard card = SaveWithAFile(dir, OptionsFor(GetParam()), "card");
  const auto boot = ReadFileBytes(card.image, 0, 512);
  ASSERT_EQ(boot.size(), 512u);
  EXPECT_EQ(LE(boot, 510, 2), 0xAA55u);
  EXPECT_EQ(LE(boot, 11, 2), 512u);
  if (GetParam() == FatType::kFat32) {
    EXPECT_EQ(TextAt(boot, 82, 8), "FAT32   ");
    EXPECT_EQ(LE(boot, 44, 4), 2u) << "the root folder starts at cluster 2";
    EXPECT_EQ(LE(boot, 22, 2), 0u);
    EXPECT_EQ(TextAt(boot, 71, 11), "KOVA TEST  ");
  } else {
    EXPECT_EQ(TextAt(boot, 54, 8), GetParam() == FatType::kFat12 ? "FAT12   " : "FAT16   ");
    EXPECT_EQ(TextAt(boot, 43, 11), GetParam() == FatType::kFat12 ? "NO NAME    " : "KOVA TEST  ");
  }
}

TEST_P(VolumeFormatTest, AllFatCopiesAreIdenticalAndStartWithTheMediaByte) {
  TempDir dir;
  const SavedCard card = SaveWithAFile(dir, OptionsFor(GetParam()), "card");
  const ManifestVolume& v = card.manifest.volume;
  const uint64_t fat_bytes = uint64_t{v.sectors_per_fat} * 512;
  const auto first = ReadFileBytes(card.image, v.fat_offset, fat_bytes);
  const auto second = ReadFileBytes(card.image, v.fat_offset + fat_bytes, fat_bytes);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first[0], OptionsFor(GetParam()).media);
  EXPECT_EQ(first[1], 0xFF);
  const ManifestRecord* note = card.manifest.Find("DCIM/NOTE.TXT");
  ASSERT_NE(note, nullptr);
  const uint32_t end = GetParam() == FatType::kFat12   ? 0xFFF
                       : GetParam() == FatType::kFat16 ? 0xFFFF
                                                       : 0x0FFFFFFF;
  EXPECT_EQ(FatEntryOnImage(card.image, v, note->first_cluster), end);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, VolumeFormatTest,
                         ::testing::Values(FatType::kFat12, FatType::kFat16, FatType::kFat32),
                         [](const auto& info) { return std::string(FatTypeName(info.param)); });

TEST(Fat32Volume, HasFsInfoAndABackupBootSector) {
  TempDir dir;
  const SavedCard card = SaveWithAFile(dir, SmallFat32(), "card");
  const auto area = ReadFileBytes(card.image, 0, 8 * 512);
  EXPECT_TRUE(std::equal(area.begin(), area.begin() + 512, area.begin() + 6 * 512))
      << "backup boot sector";
  for (size_t sector : {1u, 7u}) {
    const size_t at = sector * 512;
    EXPECT_EQ(LE(area, at, 4), 0x41615252u);
    EXPECT_EQ(LE(area, at + 484, 4), 0x61417272u);
    EXPECT_EQ(LE(area, at + 488, 4), card.manifest.volume.free_clusters);
    EXPECT_EQ(LE(area, at + 508, 4), 0xAA550000u);
  }
  EXPECT_GE(card.manifest.volume.cluster_count, 65525u);
  EXPECT_EQ(card.manifest.volume.root_dir_offset, card.manifest.volume.data_offset);
}

TEST(Fat12Volume, IsReallyFat12) {
  TempDir dir;
  const SavedCard card = SaveWithAFile(dir, SmallFat12(), "floppy");
  EXPECT_EQ(card.manifest.volume.type, FatType::kFat12);
  EXPECT_LT(card.manifest.volume.cluster_count, 4085u);
  if (HaveTool("minfo")) {
    const ToolRun info = RunCommand("minfo -i " + Quote(card.image) + " ::");
    EXPECT_NE(info.output.find("FAT12"), std::string::npos) << info.output;
  }
  // 12-bit entries: the file's entry packs into one and a half bytes.
  const ManifestRecord* note = card.manifest.Find("DCIM/NOTE.TXT");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(FatEntryOnImage(card.image, card.manifest.volume, note->first_cluster), 0xFFFu);
}

TEST(PartitionedCard, MbrPointsAtTheVolume) {
  TempDir dir;
  VolumeOptions options = SmallFat32();
  options.card_bytes = 36 << 20;
  options.partition_lba = 2048;
  const SavedCard card = SaveWithAFile(dir, options, "sd");
  const auto mbr = ReadFileBytes(card.image, 0, 512);
  EXPECT_EQ(LE(mbr, 510, 2), 0xAA55u);
  EXPECT_EQ(mbr[446 + 4], 0x0C) << "FAT32 with LBA addressing";
  EXPECT_EQ(LE(mbr, 446 + 8, 4), 2048u);
  EXPECT_EQ(LE(mbr, 446 + 12, 4), (36u << 20) / 512 - 2048);
  const auto boot = ReadFileBytes(card.image, 2048 * 512, 512);
  EXPECT_EQ(TextAt(boot, 82, 8), "FAT32   ");
  EXPECT_EQ(LE(boot, 28, 4), 2048u) << "hidden sectors";
  EXPECT_EQ(card.manifest.volume.volume_offset, 2048u * 512);
  const ManifestRecord* note = card.manifest.Find("DCIM/NOTE.TXT");
  ASSERT_NE(note, nullptr);
  EXPECT_GT(note->extents.front().offset, card.manifest.volume.volume_offset);
  EXPECT_EQ(ExtentBytes(card.image, *note),
            ReadFileBytes(card.image, note->extents.front().offset, 19));
  if (HaveTool("mtype")) {
    EXPECT_EQ(RunCommand("mtype -i " + Quote(card.image) + "@@1M ::DCIM/NOTE.TXT").output,
              "a note on the card\n");
  }
}

TEST(LargeCard, IsWrittenAsASparseFile) {
  TempDir dir;
  CardBuilder card;
  VolumeOptions options = SmallFat32();
  options.card_bytes = uint64_t{2} << 30;
  options.sectors_per_cluster = 8;
  FormatOrFail(card, options);
  const uint32_t last = card.Layout().LastCluster();
  ASSERT_TRUE(card.WriteFile("END.TXT", MakeText("at the far end"), {{last}}).ok());
  ASSERT_TRUE(card.Save(dir / "big.img").ok());
  struct stat info {};
  ASSERT_EQ(::stat((dir / "big.img").c_str(), &info), 0);
  EXPECT_EQ(static_cast<uint64_t>(info.st_size), uint64_t{2} << 30);
  EXPECT_LT(static_cast<uint64_t>(info.st_blocks) * 512, uint64_t{16} << 20)
      << "only the written parts take space";
  EXPECT_EQ(ReadFileBytes(dir / "big.img", card.Layout().ClusterOffset(last), 14),
            MakeText("at the far end").bytes);
  if (HaveTool("mtype")) {
    EXPECT_EQ(RunCommand("mtype -i " + Quote(dir / "big.img") + " ::END.TXT").output,
              "at the far end");
  }
}

TEST(VolumeOptionsCheck, RefusesLayoutsThatDoNotFitTheType) {
  CardBuilder card;
  VolumeOptions fat32 = SmallFat32();
  fat32.card_bytes = 16 << 20;
  Status refused = card.Format(fat32);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("at least 65525 clusters"), std::string::npos)
      << refused.message();
  VolumeOptions fat12 = SmallFat12();
  fat12.card_bytes = 64 << 20;
  EXPECT_NE(card.Format(fat12).message().find("at most 4084"), std::string::npos);
  VolumeOptions odd = SmallFat16();
  odd.sectors_per_cluster = 3;
  EXPECT_NE(card.Format(odd).message().find("power of two"), std::string::npos);
  EXPECT_FALSE(card.Formatted()) << "a refused format leaves no volume behind";
}

TEST(VolumeOptionsCheck, LenientCountKeepsTheRequestedTypeText) {
  TempDir dir;
  VolumeOptions options = SmallFat12();
  options.type = FatType::kFat16;
  options.strict_cluster_count = false;
  const SavedCard card = SaveWithAFile(dir, options, "odd");
  EXPECT_LT(card.manifest.volume.cluster_count, 4085u);
  EXPECT_EQ(TextAt(ReadFileBytes(card.image, 0, 512), 54, 8), "FAT16   ");
  EXPECT_EQ(FatEntryOnImage(card.image, card.manifest.volume, 0), 0xFFF0u) << "16-bit entries";
}

TEST(Determinism, SameOperationsGiveIdenticalImages) {
  TempDir dir;
  auto build = [&](const std::string& name, uint64_t seed) {
    CardBuilder card;
    EXPECT_TRUE(card.Format(SmallFat32()).ok());
    Content photo;
    PhotoOptions options;
    options.width = 320;
    options.height = 240;
    options.seed = seed;
    EXPECT_TRUE(MakePhoto(options, &photo).ok());
    EXPECT_TRUE(card.MakeFolder("DCIM").ok());
    EXPECT_TRUE(card.WriteFile("DCIM/IMG_0001.JPG", photo, {}, {"Summer day.jpg", {}}).ok());
    EXPECT_TRUE(card.Delete("DCIM/IMG_0001.JPG").ok());
    EXPECT_TRUE(card.Save(dir / (name + ".img"), dir / (name + ".jsonl")).ok());
    return std::make_pair(ReadFileBytes(dir / (name + ".img")),
                          ReadFileBytes(dir / (name + ".jsonl")));
  };
  const auto first = build("a", 7);
  const auto second = build("b", 7);
  const auto other = build("c", 8);
  EXPECT_TRUE(first.first == second.first);
  EXPECT_TRUE(first.second == second.second);
  EXPECT_FALSE(first.first == other.first) << "a different seed paints a different photo";
}

}  // namespace
}  // namespace kova::mkcard::test
