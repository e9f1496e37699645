#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "card_builder.h"
#include "card_manifest.h"
#include "cli/cli_json.h"
#include "cli/cli_runner.h"
#include "json_value.h"
#include "recipe.h"
#include "support/test_files.h"
#include "support/whole_card_recipes.h"

// kova-cli on the whole cards of tests/cards (partitioned cards with long names, an old camera's
// card at sector 63, exFAT cards, damaged boot sectors, odd type texts, reserved table bits), run
// as a user runs it. Every live photo or video (fragmented ones included), every deleted
// contiguous one (on exFAT every deleted one) and every one written without an entry comes back
// byte for byte, once; those with an entry come back under their name on the card. A volume cut
// out of its card gives the same finds as the whole card gave in it. Expected values come from each
// recipe's manifest.
namespace kova {
namespace {

namespace fs = std::filesystem;
using mkcard::EntryState;
using mkcard::JsonValue;
using mkcard::ManifestRecord;
using test::CliResult;
using test::RunCli;
using test::cli_json::Number;
using test::cli_json::Parse;
using test::cli_json::Text;

bool Flag(const JsonValue& object, const std::string& name) {
  const JsonValue* member = object.Member(name);
  return member && member->boolean;
}

// The contents the recovery looks for; texts and raw data on the cards are not among them.
bool IsMedia(const ManifestRecord& record) {
  static const std::set<std::string> kMedia = {"jpg", "avi", "mp4", "mov", "tif"};
  return kMedia.contains(record.content);
}

// The name on the card: the long name, else the short one, whose first letter a deletion took.
std::string NameOnTheCard(const ManifestRecord& record) {
  if (!record.long_name.empty()) return record.long_name;
  if (record.state != EntryState::kDeleted) return record.short_name;
  return "!" + record.short_name.substr(1);
}

class CliCardRecipeTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    mkcard::CardBuilder card;
    const fs::path recipe = test::CardRecipePath(GetParam());
    const mkcard::Status built = mkcard::RunRecipeFile(recipe, {}, &card);
    ASSERT_TRUE(built.ok()) << built.message();
    const mkcard::Status saved = card.Save(image_);
    ASSERT_TRUE(saved.ok()) << saved.message();
    manifest_ = card.MakeManifest();
    card_ = test::ReadFileBytes(image_);
  }

  // Files a recovery must give back: the live ones, the deleted ones that are still in one piece
  // (on exFAT, which keeps a deleted file's FAT chain, fragmented ones too), and those written
  // without an entry, as long as their bytes are still on the card.
  bool MustComeBack(const ManifestRecord& record) const {
    if (!IsMedia(record) || !record.intact) return false;
    if (record.state == EntryState::kDeleted) {
      const mkcard::ManifestVolume* volume = manifest_.FindVolume(record.volume);
      return record.extents.size() == 1 || (volume && volume->file_system == "exFAT");
    }
    return record.state == EntryState::kLive || record.state == EntryState::kRaw;
  }

  // The facts info gives for one volume: the card's own on a card without a table.
  static const JsonValue* VolumeFacts(const JsonValue& info, int number) {
    if (info.Member("partition_table")->kind == JsonValue::Kind::kNull) return &info;
    for (const JsonValue& partition : info.Member("partitions")->items) {
      if (Number(partition, "number") == number) return &partition;
    }
    return nullptr;
  }

  test::TempDir dir_;
  fs::path image_ = dir_ / "card.img";
  mkcard::Manifest manifest_;
  std::vector<uint8_t> card_;
};

TEST_P(CliCardRecipeTest, InfoNamesEveryVolumeAsItsBootSectorsDescribeIt) {
  CliResult result = RunCli({"info", image_.string(), "--json"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  const JsonValue info = Parse(result.Out);
  for (const mkcard::ManifestVolume& volume : manifest_.volumes) {
    if (volume.file_system == "FAT12") continue;  // FAT12 volumes are only searched
    const JsonValue* facts = VolumeFacts(info, volume.number);
    ASSERT_NE(facts, nullptr) << "volume " << volume.number << ": " << result.Out;
    // A type text other than the three leaves the type to the cluster count.
    EXPECT_EQ(Text(*facts, "file_system"), volume.file_system) << volume.type_text;
    EXPECT_EQ(Text(*facts, "volume_label"), volume.label);
    EXPECT_EQ(Number(*facts, "free_clusters"), volume.free_clusters);
    EXPECT_EQ(Flag(*facts, "backup_boot_sector"), volume.boot_damage != "none")
        << volume.boot_damage;
  }
}

TEST_P(CliCardRecipeTest, RecoverGivesBackEveryFileByteForByteUnderItsName) {
  const fs::path out = dir_ / "out";
  CliResult result = RunCli({"recover", image_.string(), "--out", out.string(), "--json"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  std::multimap<std::vector<uint8_t>, JsonValue> saved;  // by the saved file's bytes
  for (const std::string& line : result.OutLines()) {
    JsonValue file = Parse(line);
    if (Flag(file, "summary")) continue;
    EXPECT_EQ(Text(file, "result"), "saved") << line;
    saved.emplace(test::ReadFileBytes(Text(file, "file")), std::move(file));
  }
  std::map<std::string, int> names;  // a name given twice is saved with a number
  for (const ManifestRecord& record : manifest_.records) {
    if (MustComeBack(record) && record.state != EntryState::kRaw) ++names[NameOnTheCard(record)];
  }
  int checked = 0;
  for (const ManifestRecord& record : manifest_.records) {
    if (!MustComeBack(record)) continue;
    ++checked;
    const std::vector<uint8_t> bytes = test::WrittenBytes(card_, record);
    ASSERT_EQ(saved.count(bytes), 1u) << record.path << " comes back once";
    if (record.state == EntryState::kRaw) continue;
    const JsonValue& file = saved.find(bytes)->second;
    const std::string name = NameOnTheCard(record);
    EXPECT_EQ(Text(file, "name"), name) << record.path;
    EXPECT_EQ(Text(file, "folder"), record.folder_path) << record.path;
    EXPECT_EQ(Number(file, "volume"), record.volume) << record.path;
    if (names[name] == 1 && name[0] != '!') {
      EXPECT_EQ(fs::path(Text(file, "file")).filename(), fs::path(name)) << record.path;
    }
  }
  EXPECT_GT(checked, 0);
}

// What a scan found in one volume from its directories: name, folder, origin, size and extents
// counted from `volumeStart`. Files found by their content are left out.
std::multiset<std::string> FoundInVolume(const CliResult& scan, int volume, int64_t volumeStart) {
  std::multiset<std::string> found;
  for (const std::string& line : scan.OutLines()) {
    const JsonValue file = Parse(line);
    if (Flag(file, "summary") || Text(file, "origin") == "scan" || Number(file, "volume") != volume)
      continue;
    std::string key = Text(file, "name") + "|" + Text(file, "folder") + "|" + Text(file, "origin") +
                      "|" + Text(file, "size");
    for (const JsonValue& extent : file.Member("extents")->items) {
      key += "|" + std::to_string(*extent.items[0].AsInteger() - volumeStart) + "+" +
             extent.items[1].text;
    }
    found.insert(key);
  }
  return found;
}

TEST_P(CliCardRecipeTest, EachVolumeAloneGivesWhatTheWholeCardGaveInIt) {
  if (manifest_.card.table == "none") GTEST_SKIP() << "a card without a partition table";
  CliResult whole = RunCli({"scan", image_.string(), "--json"});
  ASSERT_EQ(whole.Status, 0) << whole.Err;
  for (const mkcard::ManifestVolume& volume : manifest_.volumes) {
    const fs::path alone = dir_ / ("volume" + std::to_string(volume.number) + ".img");
    const auto from = card_.begin() + static_cast<std::ptrdiff_t>(volume.volume_offset);
    test::WriteFileBytes(
        alone, std::vector<uint8_t>(from, from + static_cast<std::ptrdiff_t>(volume.volume_bytes)));
    CliResult scan = RunCli({"scan", alone.string(), "--json"});
    ASSERT_EQ(scan.Status, 0) << scan.Err;
    const std::multiset<std::string> found = FoundInVolume(scan, 1, 0);
    const int64_t start = static_cast<int64_t>(volume.volume_offset);
    EXPECT_EQ(found, FoundInVolume(whole, volume.number, start)) << "volume " << volume.number;
    const auto entries = std::count_if(
        manifest_.records.begin(), manifest_.records.end(), [&](const ManifestRecord& record) {
          return record.volume == volume.number && record.state != EntryState::kRaw &&
                 MustComeBack(record);
        });
    EXPECT_GE(found.size(), static_cast<size_t>(entries)) << "volume " << volume.number;
  }
}

INSTANTIATE_TEST_SUITE_P(TestsCards, CliCardRecipeTest,
                         ::testing::ValuesIn(test::CardRecipeNames()), test::CardRecipeTestName);

}  // namespace
}  // namespace kova
