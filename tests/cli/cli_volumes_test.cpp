#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>

#include "card_builder.h"
#include "card_manifest.h"
#include "cli/cli_json.h"
#include "cli/cli_runner.h"
#include "framework/text_utils.h"
#include "json_value.h"
#include "recipe.h"
#include "storage/disk_info.h"
#include "support/test_files.h"

// kova-cli on cards with partition tables: what info lists, and where scan and recover say a
// file came from. Expected values come from the card's manifest.
namespace kova {
namespace {

namespace fs = std::filesystem;
using mkcard::JsonValue;
using test::CliResult;
using test::RunCli;
using test::cli_json::Number;
using test::cli_json::Parse;
using test::cli_json::Text;

constexpr int64_t kMiB = 1 << 20;

// Two FAT volumes (one in a logical partition), a photo in the gap between them and a table
// entry that runs past the end of the card.
constexpr char kMbrCard[] = R"(card size=64M table=mbr
partition primary start=4M size=40M
volume fat32 cluster=512 label=PHOTOS
folder DCIM
folder DCIM/100CANON
file DCIM/100CANON/IMG_0001.JPG photo=640x480 seed=1
file DCIM/100CANON/IMG_0002.JPG photo=640x480 seed=2
file DCIM/100CANON/HOLIDA~1.JPG photo=320x240 seed=3 long-name="Holiday at the beach.jpg"
delete DCIM/100CANON/IMG_0002.JPG
partition extended start=46M size=10M
partition logical start=47M size=8M
volume fat16 cluster=1K label=OLD
file P1010001.JPG photo=320x240 seed=4
partition primary start=56M size=16M past-end=yes
raw offset=45M photo=320x240 seed=5 name=gap.jpg
)";

std::string Line(const std::string& out, const std::string& label) {
  std::smatch match;
  std::regex_search(out, match, std::regex(label + ": +([^\n]*)"));
  return match.size() > 1 ? match[1].str() : std::string();
}

std::string SizeText(uint64_t bytes) {
  return FormatByteSize(static_cast<int64_t>(bytes)) + " (" + std::to_string(bytes) + " bytes)";
}

std::vector<uint8_t> CardBytes(const fs::path& image, uint64_t offset, uint64_t count) {
  std::vector<uint8_t> bytes = test::ReadFileBytes(image);
  auto from = bytes.begin() + static_cast<ptrdiff_t>(offset);
  return std::vector<uint8_t>(from, from + static_cast<ptrdiff_t>(count));
}

class CliVolumesTest : public ::testing::Test {
 protected:
  void Build(const std::string& recipe) {
    const mkcard::Status built = mkcard::RunRecipe(recipe, {}, &card_);
    ASSERT_TRUE(built.ok()) << built.message();
    const mkcard::Status saved = card_.Save(image_);
    ASSERT_TRUE(saved.ok()) << saved.message();
    manifest_ = card_.MakeManifest();
  }
  void Zero(uint64_t offset, size_t count) {
    std::vector<uint8_t> bytes = test::ReadFileBytes(image_);
    std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(offset), count, 0);
    test::WriteFileBytes(image_, bytes);
  }
  std::string Image() const { return image_.string(); }
  const mkcard::ManifestPartition& Partition(int number) const {
    const mkcard::ManifestPartition* partition = manifest_.FindPartition(number);
    EXPECT_NE(partition, nullptr) << number;
    static const mkcard::ManifestPartition kNone;
    return partition ? *partition : kNone;
  }
  // The line info prints for a partition holding a volume.
  std::string VolumeLine(int number) const {
    const mkcard::ManifestPartition& partition = Partition(number);
    char type[8];
    std::snprintf(type, sizeof type, "0x%02X", partition.type);
    return "starts at " + SizeText(partition.offset) + ", size " + SizeText(partition.bytes) +
           ", type " + type + ", " + partition.file_system + ", label \"" +
           manifest_.FindVolume(number)->label + "\"";
  }

  test::TempDir dir_;
  fs::path image_ = dir_ / "card.img";
  mkcard::CardBuilder card_;
  mkcard::Manifest manifest_;
};

TEST_F(CliVolumesTest, InfoListsEveryPartitionAndSaysWhichEntryIsNotUsed) {
  Build(kMbrCard);
  CliResult text = RunCli({"info", Image()});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_EQ(Line(text.Out, "Partition table"), "MBR");
  EXPECT_EQ(Line(text.Out, "Partition 1"), VolumeLine(1));
  EXPECT_EQ(Line(text.Out, "Partition 2"),
            "starts at " + SizeText(Partition(2).offset) + ", size " +
                SizeText(Partition(2).bytes) +
                ", type 0x0F, extended partition (holds the logical partitions)");
  EXPECT_EQ(Line(text.Out, "Partition 5"), VolumeLine(5));
  // An entry past the end of the card is what an image that stopped early shows too: the part
  // on the card is searched, and the part missing is said.
  ASSERT_TRUE(Partition(3).past_end);
  const int64_t inside = 64 * kMiB - static_cast<int64_t>(Partition(3).offset);
  const int64_t missing = static_cast<int64_t>(Partition(3).bytes) - inside;
  EXPECT_EQ(Line(text.Out, "Partition 3"),
            "starts at " + SizeText(Partition(3).offset) + ", size " + SizeText(inside) +
                ", type 0x83, no file system recognised (its space is searched)");
  EXPECT_EQ(Line(text.Out, "Table problem"),
            "partition 3 reaches past the end of the medium, which holds only its first part (" +
                SizeText(missing) + " missing); that part is read");

  CliResult json = RunCli({"info", Image(), "--json"});
  ASSERT_EQ(json.Status, 0) << json.Err;
  JsonValue info = Parse(json.Out);
  EXPECT_EQ(Text(info, "partition_table"), "MBR");
  const JsonValue* partitions = info.Member("partitions");
  ASSERT_NE(partitions, nullptr);
  ASSERT_EQ(partitions->items.size(), 4u) << json.Out;
  for (const JsonValue& partition : partitions->items) {
    const int number = static_cast<int>(Number(partition, "number"));
    const mkcard::ManifestPartition& written = Partition(number);
    EXPECT_EQ(Number(partition, "start"), static_cast<int64_t>(written.offset));
    EXPECT_EQ(Number(partition, "size") + Number(partition, "missing_bytes"),
              static_cast<int64_t>(written.bytes));
    if (written.past_end) {
      EXPECT_EQ(partition.Member("file_system")->kind, JsonValue::Kind::kNull);
      continue;
    }
    const mkcard::ManifestVolume* volume = manifest_.FindVolume(number);
    if (!volume) {
      EXPECT_EQ(partition.Member("file_system")->kind, JsonValue::Kind::kNull);
      EXPECT_TRUE(partition.Member("extended")->boolean);
      continue;
    }
    EXPECT_EQ(Text(partition, "file_system"), volume->file_system);
    EXPECT_EQ(Text(partition, "volume_label"), volume->label);
    EXPECT_EQ(Number(partition, "free_clusters"), volume->free_clusters);
    EXPECT_FALSE(partition.Member("backup_boot_sector")->boolean);
  }
  const JsonValue* problems = info.Member("table_problems");
  ASSERT_NE(problems, nullptr);
  ASSERT_EQ(problems->items.size(), 1u);
  EXPECT_EQ(Text(problems->items[0], "problem"), "cut");
  EXPECT_EQ(Number(problems->items[0], "partition"), 3);
  EXPECT_EQ(Number(problems->items[0], "missing_bytes"), missing);
  EXPECT_EQ(info.Member("file_system")->kind, JsonValue::Kind::kNull);
}

TEST_F(CliVolumesTest, ScanAndRecoverTellEachFileItsVolumeAndFolder) {
  Build(kMbrCard);
  CliResult scan = RunCli({"scan", Image(), "--json"});
  ASSERT_EQ(scan.Status, 0) << scan.Err;
  std::map<int64_t, JsonValue> byStart;  // the found files by their first byte on the card
  for (const std::string& line : scan.OutLines()) {
    JsonValue file = Parse(line);
    if (const JsonValue* extents = file.Member("extents"); extents && !extents->items.empty())
      byStart[*extents->items[0].items[0].AsInteger()] = file;
  }
  int checked = 0;
  for (const mkcard::ManifestRecord& record : manifest_.records) {
    if (record.content != "jpg") continue;
    ++checked;
    auto found = byStart.find(static_cast<int64_t>(record.extents[0].offset));
    ASSERT_NE(found, byStart.end()) << record.path;
    EXPECT_EQ(Number(found->second, "volume"), record.volume) << record.path;
    EXPECT_EQ(Text(found->second, "folder"), record.folder_path) << record.path;
    EXPECT_EQ(Number(found->second, "size"), static_cast<int64_t>(record.size)) << record.path;
  }
  EXPECT_EQ(checked, 5);
  const mkcard::ManifestRecord* gap = manifest_.Find("gap.jpg");
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->volume, 0);
  EXPECT_EQ(Text(byStart[static_cast<int64_t>(gap->extents[0].offset)], "origin"), "scan");

  const fs::path out = dir_ / "out";
  CliResult recover = RunCli({"recover", Image(), "--out", out.string(), "--json"});
  ASSERT_EQ(recover.Status, 0) << recover.Err;
  const mkcard::ManifestRecord* holiday = manifest_.Find("DCIM/100CANON/HOLIDA~1.JPG");
  ASSERT_NE(holiday, nullptr);
  bool restored = false;
  for (const std::string& line : recover.OutLines()) {
    JsonValue file = Parse(line);
    if (Text(file, "name") != holiday->long_name) continue;
    restored = true;
    EXPECT_EQ(Number(file, "volume"), 1);
    EXPECT_EQ(Text(file, "folder"), "DCIM/100CANON");
    EXPECT_EQ(test::ReadFileBytes(Text(file, "file")),
              CardBytes(image_, holiday->extents[0].offset, holiday->size));
  }
  EXPECT_TRUE(restored) << recover.Out;
}

TEST_F(CliVolumesTest, AnEntryPastTheEndIsSearchedAsFarAsTheCardGoesAndTheRestCarved) {
  // The only entry runs past the end of the card and holds no file system; the photos before
  // it are found by their content.
  Build(R"(card size=32M table=mbr
partition primary start=16M size=64M past-end=yes
raw offset=1M photo=640x480 seed=6 name=one.jpg
raw offset=5M photo=320x240 seed=7 name=two.jpg
)");
  CliResult info = RunCli({"info", Image()});
  ASSERT_EQ(info.Status, 0) << info.Err;
  EXPECT_EQ(Line(info.Out, "Partition table"), "MBR");
  EXPECT_EQ(Line(info.Out, "Table problem"),
            "partition 1 reaches past the end of the medium, which holds only its first part "
            "(48.00 MB (50331648 bytes) missing); that part is read");
  EXPECT_EQ(Line(info.Out, "Partition 1"),
            "starts at 16.00 MB (16777216 bytes), size 16.00 MB (16777216 bytes), type 0x83, no "
            "file system recognised (its space is searched)");

  CliResult scan = RunCli({"scan", Image(), "--json"});
  ASSERT_EQ(scan.Status, 0) << scan.Err;
  std::vector<std::string> lines = scan.OutLines();
  ASSERT_EQ(lines.size(), 3u) << scan.Out;  // two photos and the summary
  for (const char* name : {"one.jpg", "two.jpg"}) {
    const mkcard::ManifestRecord* record = manifest_.Find(name);
    ASSERT_NE(record, nullptr);
    bool found = false;
    for (const std::string& line : lines) {
      JsonValue file = Parse(line);
      const JsonValue* extents = file.Member("extents");
      if (!extents || extents->items.empty()) continue;
      if (*extents->items[0].items[0].AsInteger() !=
          static_cast<int64_t>(record->extents[0].offset))
        continue;
      found = true;
      EXPECT_EQ(Number(file, "size"), static_cast<int64_t>(record->size));
      EXPECT_EQ(Number(file, "volume"), 0);
    }
    EXPECT_TRUE(found) << name;
  }
}

TEST_F(CliVolumesTest, ADamagedBootSectorIsReadFromItsBackupAndSaidSo) {
  Build(R"(card size=64M table=mbr
partition primary start=4M size=40M
volume fat32 cluster=512 label=PHOTOS
file IMG_0001.JPG photo=320x240
)");
  Zero(Partition(1).offset, 512);
  CliResult text = RunCli({"info", Image()});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_EQ(Line(text.Out, "Partition 1"),
            VolumeLine(1) + "; boot sector damaged, its backup copy was read");
  CliResult json = RunCli({"info", Image(), "--json"});
  JsonValue info = Parse(json.Out);
  ASSERT_EQ(info.Member("partitions")->items.size(), 1u);
  EXPECT_TRUE(info.Member("partitions")->items[0].Member("backup_boot_sector")->boolean);

  // A card without a table says it on a line of its own.
  test::TempDir other;
  const fs::path plain = other / "plain.img";
  test::WriteFileBytes(plain, CardBytes(image_, Partition(1).offset, Partition(1).bytes));
  CliResult whole = RunCli({"info", plain.string()});
  ASSERT_EQ(whole.Status, 0) << whole.Err;
  EXPECT_EQ(Line(whole.Out, "Partition table"),
            "none (the card is one volume from its first sector)");
  EXPECT_EQ(Line(whole.Out, "File system"), "FAT32");
  EXPECT_EQ(Line(whole.Out, "Volume label"), "PHOTOS");
  EXPECT_EQ(Line(whole.Out, "Boot sector"), "damaged; its backup copy was read");
}

TEST_F(CliVolumesTest, GptPartitionsComeFromTheBackupWhenThePrimaryHeaderIsDamaged) {
  Build(R"(card size=80M table=gpt
partition start=1M size=40M name="Camera photos"
volume fat32 cluster=512 label=GPTVOL
partition start=42M size=8M type=linux
damage gpt-header how=crc
)");
  CliResult text = RunCli({"info", Image()});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_EQ(Line(text.Out, "Partition table"), "GPT");
  EXPECT_EQ(Line(text.Out, "Table problem"),
            "the primary GPT is damaged; its backup copy was read");
  const mkcard::ManifestPartition& photos = Partition(1);
  EXPECT_EQ(Line(text.Out, "Partition 1"), "starts at " + SizeText(photos.offset) + ", size " +
                                               SizeText(photos.bytes) + ", type " +
                                               UpperCase(photos.type_guid) +
                                               ", name \"Camera photos\", FAT32, label \"GPTVOL\"");
  const mkcard::ManifestPartition& linux = Partition(2);
  EXPECT_EQ(Line(text.Out, "Partition 2"),
            "starts at " + SizeText(linux.offset) + ", size " + SizeText(linux.bytes) + ", type " +
                UpperCase(linux.type_guid) + ", no file system recognised (its space is searched)");
}

}  // namespace
}  // namespace kova
