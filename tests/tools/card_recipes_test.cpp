// The whole-card recipes in tests/cards, which the recovery tests build on: each builds, and the
// real tools read back what its manifest says. sfdisk lists the partitions; fsck.fat finds every
// FAT volume clean and fsck.exfat every exFAT one (read through the backup boot sector or region
// where the main one is damaged); mtools copies every intact live file of a FAT volume, by its
// long name, byte for byte; The Sleuth Kit, where installed, lists the partitions (mmls) and
// every deleted long name as deleted (fls).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "card_test_support.h"
#include "json_value.h"
#include "recipe.h"
#include "support/whole_card_recipes.h"

namespace kova::mkcard::test {
namespace {

bool IsExfat(const ManifestVolume& v) {
  return v.file_system == "exFAT";
}

class CardRecipeTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const std::filesystem::path recipe = kova::test::CardRecipePath(GetParam());
    const Status built = RunRecipeFile(recipe, {}, &card_);
    ASSERT_TRUE(built.ok()) << built.message();
    const Status saved = card_.Save(image_);
    ASSERT_TRUE(saved.ok()) << saved.message();
    manifest_ = card_.MakeManifest();
  }

  // The volume as a reader sees it once the boot sector (exFAT: the boot region) is put back
  // from its backup.
  std::filesystem::path ReadableVolume(const ManifestVolume& v) {
    const std::filesystem::path part =
        CutOut(image_, v.volume_offset, v.volume_bytes,
               dir_ / ("volume" + std::to_string(v.number) + ".img"));
    if (v.boot_damage == "none") return part;
    const size_t sectors = IsExfat(v) ? v.backup_boot_sector : 1;
    const std::vector<uint8_t> backup =
        ReadFileBytes(part, v.backup_boot_sector * 512, sectors * 512);
    std::fstream(part, std::ios::in | std::ios::out | std::ios::binary)
        .write(reinterpret_cast<const char*>(backup.data()),
               static_cast<std::streamsize>(backup.size()));
    return part;
  }

  kova::test::TempDir dir_;
  std::filesystem::path image_ = dir_ / "card.img";
  CardBuilder card_;
  Manifest manifest_;
};

TEST_P(CardRecipeTest, SfdiskListsThePartitions) {
  if (manifest_.card.table == "none") GTEST_SKIP() << "a card without a partition table";
  SKIP_WITHOUT_TOOL("sfdisk");
  const ToolRun run = RunCommand("sfdisk -J " + Quote(image_));
  JsonValue json;
  std::string error;
  ASSERT_TRUE(ParseJson(run.output.substr(std::min(run.output.find('{'), run.output.size())), &json,
                        &error))
      << run.output;
  const JsonValue* parts = json.Member("partitiontable")->Member("partitions");
  ASSERT_NE(parts, nullptr) << run.output;
  ASSERT_EQ(parts->items.size(), manifest_.partitions.size()) << run.output;
  for (size_t i = 0; i < parts->items.size(); ++i) {
    EXPECT_EQ(parts->items[i].Member("start")->AsInteger(),
              static_cast<int64_t>(manifest_.partitions[i].first_sector));
    EXPECT_EQ(parts->items[i].Member("size")->AsInteger(),
              static_cast<int64_t>(manifest_.partitions[i].sectors));
  }
}

TEST_P(CardRecipeTest, SleuthKitListsThePartitions) {
  if (manifest_.card.table == "none") GTEST_SKIP() << "a card without a partition table";
  if (!HaveTool("mmls"))
    GTEST_SKIP() << "The Sleuth Kit (mmls) is not installed; its cross-check is skipped";
  const ToolRun run = RunCommand("mmls " + Quote(image_));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  // Rows read "004:  000  0000002048  0000133119  0000131072  KOVA DATA": first sector, last
  // sector, length. Tables, gaps and extended partitions have rows of their own.
  std::set<std::pair<uint64_t, uint64_t>> rows;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string row, slot;
    uint64_t first = 0, last = 0, length = 0;
    if (words >> row >> slot >> first >> last >> length && row.ends_with(":"))
      rows.insert({first, length});
  }
  for (const ManifestPartition& p : manifest_.partitions) {
    EXPECT_TRUE(rows.contains({p.first_sector, p.sectors})) << "partition " << p.number << "\n"
                                                            << run.output;
  }
}

TEST_P(CardRecipeTest, FatToolsReadEveryVolumeAndLiveFile) {
  SKIP_WITHOUT_TOOL("fsck.fat");
  SKIP_WITHOUT_TOOL("mcopy");
  ASSERT_FALSE(manifest_.volumes.empty());
  for (const ManifestVolume& v : manifest_.volumes) {
    if (IsExfat(v)) continue;
    const std::filesystem::path volume = ReadableVolume(v);
    const ToolRun fsck = RunCommand("fsck.fat -n " + Quote(volume));
    EXPECT_EQ(fsck.exit_code, 0) << "volume " << v.number << "\n" << fsck.output;
    for (const ManifestRecord& r : manifest_.records) {
      if (r.volume != v.number || r.folder || r.state != EntryState::kLive || !r.intact) continue;
      const std::filesystem::path out = dir_ / "copy.bin";
      std::filesystem::remove(out);
      const ToolRun copy = RunCommand("LC_ALL=C.UTF-8 mcopy -n -i " + Quote(volume) + " " +
                                      Quote("::" + r.LongPath()) + " " + Quote(out));
      EXPECT_EQ(Crc32(ReadFileBytes(out)), r.crc32) << r.LongPath() << "\n" << copy.output;
    }
  }
}

TEST_P(CardRecipeTest, FsckExfatFindsEveryExfatVolumeClean) {
  SKIP_WITHOUT_TOOL("fsck.exfat");
  for (const ManifestVolume& v : manifest_.volumes) {
    if (!IsExfat(v)) continue;
    const ToolRun fsck = RunCommand("fsck.exfat -n " + Quote(ReadableVolume(v)));
    EXPECT_EQ(fsck.exit_code, 0) << "volume " << v.number << "\n" << fsck.output;
  }
}

TEST_P(CardRecipeTest, SleuthKitListsTheDeletedLongNames) {
  if (!HaveTool("fls"))
    GTEST_SKIP() << "The Sleuth Kit (fls) is not installed; its cross-check is skipped";
  for (const ManifestVolume& v : manifest_.volumes) {
    // -d: deleted entries only.
    const std::string files = RunCommand("fls -r -d " + Quote(ReadableVolume(v))).output;
    for (const ManifestRecord& r : manifest_.records) {
      if (r.volume == v.number && r.state == EntryState::kDeleted && !r.long_name.empty()) {
        EXPECT_NE(files.find(r.long_name), std::string::npos) << r.long_name << "\n" << files;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TestsCards, CardRecipeTest,
                         ::testing::ValuesIn(kova::test::CardRecipeNames()),
                         kova::test::CardRecipeTestName);

}  // namespace
}  // namespace kova::mkcard::test
