// Cards with an MBR partition table: the layouts of SD formatters and old cameras, several
// primary partitions, logical partitions chained through extended boot records and a damaged
// entry. sfdisk, mtools, fsck.fat and (where installed) The Sleuth Kit read them back.
#include <gtest/gtest.h>

#include "card_builder.h"
#include "card_test_support.h"
#include "json_value.h"
#include "recipe.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

class MbrCardTest : public RecipeCardTest {
 protected:
  std::string Mtools(const std::string& command, int volume, const std::string& path) {
    const ManifestVolume* v = manifest_.FindVolume(volume);
    EXPECT_NE(v, nullptr) << volume;
    if (v == nullptr) return "";
    return RunCommand(command + " -i " + Quote(image_) + "@@" + std::to_string(v->volume_offset) +
                      " " + path)
        .output;
  }
  // sfdisk's JSON view of the table: its "partitions" array.
  std::vector<JsonValue> SfdiskPartitions() {
    const ToolRun run = RunCommand("sfdisk -J " + Quote(image_));
    EXPECT_EQ(run.exit_code, 0) << run.output;
    JsonValue json;
    std::string error;
    const size_t brace = run.output.find('{');
    if (brace == std::string::npos || !ParseJson(run.output.substr(brace), &json, &error))
      return {};
    const JsonValue* table = json.Member("partitiontable");
    const JsonValue* parts = table ? table->Member("partitions") : nullptr;
    return parts ? parts->items : std::vector<JsonValue>{};
  }
};

constexpr const char* kSdFormatterCard = R"(
card size=64M table=mbr disk-id=5D2C-0001
partition start=4M type=0x0C
volume fat32 cluster=512 label="SDCARD"
folder DCIM
file DCIM/IMG_0001.JPG photo=320x240 seed=1
)";

TEST_F(MbrCardTest, SdFormatterPutsOneFat32PartitionAt4MiB) {
  Build(kSdFormatterCard);
  ASSERT_EQ(manifest_.partitions.size(), 1u);
  const ManifestPartition& p = manifest_.partitions[0];
  EXPECT_EQ(p.first_sector, 8192u);
  EXPECT_EQ(p.sectors, (64u << 20) / 512 - 8192);
  EXPECT_EQ(p.type, 0x0C);
  EXPECT_EQ(p.file_system, "FAT32");
  EXPECT_EQ(manifest_.volume.volume_offset, 4u << 20);
  const auto mbr = ReadFileBytes(image_, 0, 512);
  EXPECT_EQ(LE(mbr, 440, 4), 0x5D2C0001u) << "disk signature";
  EXPECT_EQ(LE(mbr, 446 + 8, 4), 8192u);
  EXPECT_EQ(mbr[446 + 4], 0x0C);
  EXPECT_EQ(LE(mbr, 510, 2), 0xAA55u);
  const auto boot = ReadFileBytes(image_, 4 << 20, 512);
  EXPECT_EQ(LE(boot, 28, 4), 8192u) << "hidden sectors: the partition's first sector";
  const ManifestRecord* photo = manifest_.Find("DCIM/IMG_0001.JPG");
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->volume, 1);
  EXPECT_GT(photo->extents.front().offset, manifest_.volume.data_offset - 1)
      << "extents are offsets on the whole card";

  if (HaveTool("sfdisk")) {
    const std::vector<JsonValue> parts = SfdiskPartitions();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].Member("start")->AsInteger(), 8192);
    EXPECT_EQ(parts[0].Member("type")->text, "c");
  }
  if (HaveTool("fsck.fat")) {
    const ToolRun fsck = CheckFatVolume(image_, manifest_.volume, dir_.Path());
    EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  }
  if (HaveTool("mcopy")) {
    const std::filesystem::path out = dir_ / "copy.jpg";
    Mtools("mcopy -n", 1, "::DCIM/IMG_0001.JPG " + Quote(out));
    EXPECT_EQ(ReadFileBytes(out), ExtentBytes(image_, *photo));
  }
}

TEST_F(MbrCardTest, OldCameraHasAFat16PartitionAtSector63) {
  Build(R"(
card size=32M table=mbr
partition start=63 type=0x06
volume fat16 cluster=4K label="CAMERA"
folder DCIM
folder DCIM/100CANON
file DCIM/100CANON/IMG_0001.JPG photo=320x240
)");
  const ManifestPartition& p = manifest_.partitions.at(0);
  EXPECT_EQ(p.offset, 63u * 512);
  EXPECT_EQ(p.type, 0x06);
  EXPECT_EQ(manifest_.volume.file_system, "FAT16");
  const auto mbr = ReadFileBytes(image_, 0, 512);
  EXPECT_EQ(mbr[446 + 1], 1) << "CHS start: head 1";
  EXPECT_EQ(mbr[446 + 2], 1) << "CHS start: sector 1 of cylinder 0";
  if (HaveTool("mdir")) {
    EXPECT_NE(Mtools("mdir", 1, "::DCIM/100CANON").find("IMG_0001 JPG"), std::string::npos);
  }
  if (HaveTool("fsck.fat")) {
    EXPECT_EQ(CheckFatVolume(image_, manifest_.volume, dir_.Path()).exit_code, 0);
  }
}

constexpr const char* kManyPartitions = R"(
card size=96M table=mbr
partition start=2048 size=16M
volume fat16 cluster=2K
file ONE.TXT text="in partition one"
partition start=40960 size=16M bootable=yes
volume fat12 cluster=8K
file TWO.TXT text="in partition two"
partition extended start=81920
partition logical start=83968 size=16M
volume fat16 cluster=2K
file FIVE.TXT text="in partition five"
partition logical start=118784 size=8M type=0x0B
volume fat12 cluster=4K
file SIX.TXT text="in partition six"
use-volume 2
file LATE.TXT text="back in two"
)";

TEST_F(MbrCardTest, PrimaryAndLogicalPartitionsAreNumberedAsLinuxDoes) {
  Build(kManyPartitions);
  std::vector<int> numbers;
  for (const ManifestPartition& p : manifest_.partitions)
    numbers.push_back(p.number);
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 5, 6}));
  EXPECT_EQ(manifest_.FindPartition(3)->type, 0x0F) << "extended, LBA";
  EXPECT_EQ(manifest_.FindPartition(3)->file_system, "");
  EXPECT_EQ(manifest_.FindPartition(2)->type, 0x01);
  EXPECT_TRUE(manifest_.FindPartition(2)->bootable);
  EXPECT_EQ(manifest_.FindPartition(5)->type, 0x0E);
  EXPECT_EQ(manifest_.FindPartition(6)->type, 0x0B) << "a type given in the recipe wins";
  ASSERT_EQ(manifest_.volumes.size(), 4u);
  EXPECT_EQ(manifest_.Find("LATE.TXT")->volume, 2);

  // The chain: the first EBR is the extended partition's first sector and links to the second,
  // whose entries count from its own sector (the partition) and from the extended start (link).
  const auto first = ReadFileBytes(image_, 81920u * 512, 512);
  EXPECT_EQ(LE(first, 446 + 8, 4), 83968u - 81920u);
  EXPECT_EQ(first[446 + 16 + 4], 0x05);
  const uint32_t second_ebr = 83968 + 32768;
  EXPECT_EQ(LE(first, 446 + 16 + 8, 4), second_ebr - 81920u);
  EXPECT_EQ(LE(first, 446 + 16 + 12, 4), 118784u + 16384u - second_ebr);
  const auto second = ReadFileBytes(image_, uint64_t{second_ebr} * 512, 512);
  EXPECT_EQ(LE(second, 446 + 8, 4), 118784u - second_ebr);
  EXPECT_EQ(second[446 + 16 + 4], 0) << "the last EBR links nowhere";

  if (HaveTool("sfdisk")) {
    const std::vector<JsonValue> parts = SfdiskPartitions();
    ASSERT_EQ(parts.size(), 5u);
    for (size_t i = 0; i < parts.size(); ++i) {
      const ManifestPartition& expected = manifest_.partitions[i];
      EXPECT_EQ(parts[i].Member("start")->AsInteger(), static_cast<int64_t>(expected.first_sector));
      EXPECT_EQ(parts[i].Member("size")->AsInteger(), static_cast<int64_t>(expected.sectors));
      EXPECT_NE(parts[i].Member("node")->text.find(std::to_string(expected.number)),
                std::string::npos);
    }
  }
  for (const ManifestVolume& v : manifest_.volumes) {
    if (HaveTool("fsck.fat")) {
      const ToolRun fsck = CheckFatVolume(image_, v, dir_.Path());
      EXPECT_EQ(fsck.exit_code, 0) << "volume " << v.number << ": " << fsck.output;
    }
  }
  if (HaveTool("mtype")) {
    EXPECT_EQ(Mtools("mtype", 5, "::FIVE.TXT"), "in partition five");
    EXPECT_EQ(Mtools("mtype", 6, "::SIX.TXT"), "in partition six");
    EXPECT_EQ(Mtools("mtype", 2, "::LATE.TXT"), "back in two");
  }
}

TEST_F(MbrCardTest, SleuthKitSeesTheSamePartitionsAndFiles) {
  if (!HaveTool("mmls") || !HaveTool("fls"))
    GTEST_SKIP() << "The Sleuth Kit (mmls, fls) is not installed; its cross-check is skipped";
  Build(kManyPartitions);
  const std::string layout = RunCommand("mmls " + Quote(image_)).output;
  for (const ManifestPartition& p : manifest_.partitions) {
    char start[16];
    std::snprintf(start, sizeof start, "%010llu", static_cast<unsigned long long>(p.first_sector));
    EXPECT_NE(layout.find(start), std::string::npos) << "partition " << p.number << "\n" << layout;
  }
  for (const ManifestVolume& v : manifest_.volumes) {
    const std::string files =
        RunCommand("fls -o " + std::to_string(v.volume_offset / 512) + " " + Quote(image_)).output;
    for (const ManifestRecord& r : manifest_.records) {
      if (r.volume == v.number) {
        EXPECT_NE(files.find(r.short_name), std::string::npos) << r.short_name << "\n" << files;
      }
    }
  }
}

TEST_F(MbrCardTest, DamagedEntryRunsPastTheEndOfTheCard) {
  Build(R"(
card size=16M table=mbr
partition start=2048 size=8M
volume fat16 cluster=512
partition start=20480 size=1G type=0x0C past-end=yes
)");
  const ManifestPartition* broken = manifest_.FindPartition(2);
  ASSERT_NE(broken, nullptr);
  EXPECT_TRUE(broken->past_end);
  EXPECT_EQ(broken->file_system, "");
  const auto mbr = ReadFileBytes(image_, 0, 512);
  EXPECT_EQ(LE(mbr, 446 + 16 + 8, 4), 20480u);
  EXPECT_EQ(LE(mbr, 446 + 16 + 12, 4), (1u << 30) / 512) << "the entry as written";
  if (HaveTool("sfdisk")) {
    const std::vector<JsonValue> parts = SfdiskPartitions();
    ASSERT_EQ(parts.size(), 2u) << "sfdisk lists the damaged entry too";
    EXPECT_EQ(parts[1].Member("size")->AsInteger(), (1 << 30) / 512);
  }
}

TEST(MbrCardRefusals, NameTheBrokenRule) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"card size=8M table=mbr\npartition start=2048\npartition start=4096",
       "partition 2 overlaps partition 1"},
      {"card size=8M table=mbr\npartition start=20000", "starts at or past the end"},
      {"card size=8M table=mbr\npartition start=2048 size=20000", "does not fit"},
      {"card size=8M table=mbr\npartition logical start=2048", "needs an extended partition"},
      {"card size=8M table=mbr\npartition extended start=2048\nvolume fat12", "extended"},
      {"card size=8M table=mbr\npartition extended start=2048 size=100\npartition extended "
       "start=4096",
       "already has an extended"},
      {"card size=8M table=mbr\npartition extended start=2048\npartition logical start=2048",
       "does not fit"},
      {"card size=8M table=mbr\npartition extended start=2048\npartition logical start=4096 "
       "ebr=3000",
       "first logical partition's boot record"},
      {"card size=8M\npartition start=2048", "no partition table"},
      {"card size=8M table=mbr\npartition start=2048 size=100\npartition start=3000 size=100\n"
       "partition start=4000 size=100\npartition start=5000 size=100\npartition start=6000 "
       "size=100",
       "at most four"},
      {"card size=8M table=mbr\npartition start=2048 size=1000\nvolume fat12\nvolume fat12",
       "already holds a volume"},
      {"card size=8M table=mbr\nvolume fat12 partition=63", "partitions come from"},
      {"card size=8M table=mbr\nfile A.TXT text=x", "no volume yet"},
      {"card size=8M table=mbr\npartition start=2048\nvolume fat12\nuse-volume 3",
       "no volume in partition 3"},
      {"card size=8M table=mbr\npartition start=2048\nvolume fat12\nraw offset=0 text=x",
       "partition table"},
      {"card size=8M table=mbr\npartition start=2048\nvolume fat12\nraw offset=1048575 text=xx",
       "reach into partition 1"},
      {"volume fat16 size=16M\ncard size=8M", "'card' must be the first line"},
  };
  ExpectRecipesRefused(cases);
}

TEST_F(MbrCardTest, GapsAndTheTailHoldRawBytesOutsideEveryVolume) {
  Build(R"(
card size=24M table=mbr
partition start=4M size=8M
volume fat16 cluster=512
raw offset=1M photo=160x120 name=gap-photo
raw offset=20M text="left in the tail"
)");
  const ManifestRecord* gap = manifest_.Find("gap-photo");
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->volume, 0) << "outside every volume";
  EXPECT_EQ(gap->state, EntryState::kRaw);
  EXPECT_EQ(gap->extents.front().offset, 1u << 20);
  EXPECT_TRUE(gap->intact);
  EXPECT_EQ(Crc32(ExtentBytes(image_, *gap)), gap->crc32);
  const ManifestRecord* tail = manifest_.Find("raw-2");
  ASSERT_NE(tail, nullptr);
  EXPECT_EQ(ReadFileBytes(image_, 20 << 20, 16), MakeText("left in the tail").bytes);
}

}  // namespace
}  // namespace kova::mkcard::test
