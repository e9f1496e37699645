// Cards with a GUID partition table: protective MBR, primary header and entries, the backup
// copies at the end, CRCs that sfdisk accepts, and a primary header damaged so that only the
// backup is valid.
#include <gtest/gtest.h>

#include "card_builder.h"
#include "card_test_support.h"
#include "gpt_records.h"
#include "recipe.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

constexpr const char* kGptCard = R"(
card size=80M table=gpt disk-guid=5A4B3C2D-1E0F-4A1B-8C2D-3E4F5A6B7C8D
partition start=1M size=40M name="KOVA DATA"
volume fat32 cluster=512 label="GPTCARD"
folder DCIM
file DCIM/IMG_0001.JPG photo=320x240
partition start=50M size=8M type=linux name="Linux stuff"
partition start=60M
volume fat16 cluster=1K
file NOTE.TXT text="in the third partition"
raw offset=45M text="between the partitions" name=gap
)";

class GptCardTest : public RecipeCardTest {
 protected:
  uint64_t LastSector() const { return (80u << 20) / 512 - 1; }
};

TEST_F(GptCardTest, HeadersEntriesAndBackupAgree) {
  Build(kGptCard);
  const auto mbr = ReadFileBytes(image_, 0, 512);
  EXPECT_EQ(mbr[446 + 4], 0xEE) << "protective MBR";
  EXPECT_EQ(LE(mbr, 446 + 8, 4), 1u);
  EXPECT_EQ(LE(mbr, 446 + 12, 4), LastSector());

  const auto primary = ReadFileBytes(image_, 512, 512);
  const auto backup = ReadFileBytes(image_, LastSector() * 512, 512);
  EXPECT_EQ(std::string(primary.begin(), primary.begin() + 8), "EFI PART");
  EXPECT_EQ(LE(primary, 24, 8), 1u);
  EXPECT_EQ(LE(primary, 32, 8), LastSector());
  EXPECT_EQ(LE(backup, 24, 8), LastSector());
  EXPECT_EQ(LE(backup, 32, 8), 1u);
  EXPECT_EQ(LE(primary, 40, 8), 34u) << "first usable sector after 128 entries";
  EXPECT_EQ(LE(primary, 48, 8), LastSector() - 33);
  EXPECT_EQ(LE(backup, 72, 8), LastSector() - 32) << "backup entries just before the header";
  EXPECT_EQ(ReadFileBytes(image_, 2 * 512, 128 * 128),
            ReadFileBytes(image_, (LastSector() - 32) * 512, 128 * 128));

  std::vector<uint8_t> header(primary.begin(), primary.begin() + 92);
  const uint32_t stored = static_cast<uint32_t>(LE(header, 16, 4));
  std::fill(header.begin() + 16, header.begin() + 20, 0);
  EXPECT_EQ(Crc32(header), stored);
  EXPECT_EQ(Crc32(ReadFileBytes(image_, 2 * 512, 128 * 128)), LE(primary, 88, 4));

  ASSERT_EQ(manifest_.partitions.size(), 3u);
  EXPECT_EQ(manifest_.card.disk_guid, "5A4B3C2D-1E0F-4A1B-8C2D-3E4F5A6B7C8D");
  EXPECT_EQ(manifest_.FindPartition(1)->type_guid, "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
  EXPECT_EQ(manifest_.FindPartition(2)->type_guid, "0FC63DAF-8483-4772-8E79-3D69D8477DE4");
  EXPECT_EQ(manifest_.FindPartition(3)->sectors, LastSector() - 33 - 122880 + 1)
      << "the last partition takes the room up to the last usable sector";
  const auto entry = ReadFileBytes(image_, manifest_.FindPartition(1)->entry_offset, 128);
  Guid type;
  ASSERT_TRUE(ParseGuid("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", &type));
  EXPECT_TRUE(std::equal(type.begin(), type.end(), entry.begin()));
  EXPECT_EQ(entry[0], 0xA2) << "the first group is little-endian on disk";
  EXPECT_EQ(LE(entry, 32, 8), 2048u);
  EXPECT_EQ(LE(entry, 40, 8), 2048u + 81920 - 1) << "last sector, inclusive";
  EXPECT_EQ(entry[56], 'K');
  EXPECT_EQ(entry[57], 0) << "UTF-16 name";
}

TEST_F(GptCardTest, SfdiskAndTheFatToolsReadTheCard) {
  SKIP_WITHOUT_TOOL("sfdisk");
  Build(kGptCard);
  const ToolRun verify = RunCommand("sfdisk --verify " + Quote(image_));
  EXPECT_EQ(verify.exit_code, 0) << verify.output;
  EXPECT_NE(verify.output.find("No errors detected"), std::string::npos) << verify.output;
  const std::string dump = RunCommand("sfdisk --dump " + Quote(image_)).output;
  EXPECT_NE(dump.find("label: gpt"), std::string::npos) << dump;
  EXPECT_NE(dump.find("label-id: 5A4B3C2D-1E0F-4A1B-8C2D-3E4F5A6B7C8D"), std::string::npos);
  EXPECT_NE(dump.find("start=        2048, size=       81920, "
                      "type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7, uuid=" +
                      manifest_.FindPartition(1)->guid + ", name=\"KOVA DATA\""),
            std::string::npos)
      << dump;
  for (const ManifestVolume& v : manifest_.volumes) {
    if (HaveTool("fsck.fat")) {
      const ToolRun fsck = CheckFatVolume(image_, v, dir_.Path());
      EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
    }
  }
  if (HaveTool("mtype")) {
    const ManifestVolume* third = manifest_.FindVolume(3);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(RunCommand("mtype -i " + Quote(image_) + "@@" + std::to_string(third->volume_offset) +
                         " ::NOTE.TXT")
                  .output,
              "in the third partition");
  }
}

TEST_F(GptCardTest, DamagedPrimaryHeaderLeavesTheBackup) {
  Build(std::string(kGptCard) + "damage gpt-header\n");
  const auto primary = ReadFileBytes(image_, 512, 512);
  std::vector<uint8_t> header(primary.begin(), primary.begin() + 92);
  const uint32_t stored = static_cast<uint32_t>(LE(header, 16, 4));
  std::fill(header.begin() + 16, header.begin() + 20, 0);
  EXPECT_NE(Crc32(header), stored) << "the primary header fails its CRC";
  if (HaveTool("sfdisk")) {
    const ToolRun dump = RunCommand("sfdisk --dump " + Quote(image_));
    EXPECT_NE(dump.output.find("primary GPT table is corrupt"), std::string::npos) << dump.output;
    EXPECT_NE(dump.output.find("name=\"KOVA DATA\""), std::string::npos)
        << "the partitions come from the backup\n"
        << dump.output;
  }
}

TEST_F(GptCardTest, ZeroedPrimaryHeader) {
  Build(std::string(kGptCard) + "damage gpt-header how=zero\n");
  EXPECT_EQ(ReadFileBytes(image_, 512, 512), std::vector<uint8_t>(512, 0));
  EXPECT_EQ(ReadFileBytes(image_, LastSector() * 512, 8), MakeText("EFI PART").bytes);
}

TEST_F(GptCardTest, SleuthKitListsThePartitions) {
  if (!HaveTool("mmls"))
    GTEST_SKIP() << "The Sleuth Kit (mmls) is not installed; its cross-check is skipped";
  Build(kGptCard);
  const std::string layout = RunCommand("mmls " + Quote(image_)).output;
  EXPECT_NE(layout.find("KOVA DATA"), std::string::npos) << layout;
  EXPECT_NE(layout.find("Linux stuff"), std::string::npos) << layout;
  EXPECT_NE(layout.find("0000122880"), std::string::npos) << layout;
}

TEST(GptCardRefusals, NameTheBrokenRule) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"card size=8M table=gpt\npartition start=20", "does not fit sectors 34.."},
      {"card size=8M table=gpt\npartition start=2048 size=16352", "does not fit"},
      {"card size=8M table=gpt\npartition extended start=2048", "no extended or logical"},
      {"card size=8M table=gpt\npartition start=2048 type=fat", "not a GUID or alias"},
      {"card size=8M table=gpt disk-guid=nope", "not a GUID"},
      {"card size=16K table=gpt", "too small for a GPT"},
      {"card size=8M table=gpt gpt-entries=6", "multiple of 4"},
      {"card size=8M table=mbr\npartition start=2048\ndamage gpt-header", "no GPT"},
      {"card size=8M table=gpt\npartition start=2048 name=\"a name that is far too long to fit "
       "the entry\"",
       "at most 36"},
  };
  ExpectRecipesRefused(cases);
}

}  // namespace
}  // namespace kova::mkcard::test
