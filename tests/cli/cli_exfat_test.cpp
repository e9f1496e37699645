#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "card_builder.h"
#include "cli/cli_json.h"
#include "cli/cli_runner.h"
#include "content.h"
#include "exfat_stamp.h"
#include "exfat_volume_writer.h"
#include "json_value.h"
#include "support/card_status.h"
#include "support/exfat_images.h"
#include "support/test_files.h"
#include "support/time_zone_scope.h"

// kova-cli on exFAT cards beyond what the whole-card recipes hold: the entries' time stamps (10 ms
// parts, UTC offsets) as the found files' dates, and a volume exactly as mkfs.exfat makes it.
namespace kova {
namespace {

namespace fs = std::filesystem;
using mkcard::JsonValue;
using test::CliResult;
using test::RunCli;
using test::cli_json::Number;
using test::cli_json::Parse;
using test::cli_json::Text;

// Five and a half hours east of UTC, without summer time.
constexpr char kIndia[] = "IST-5:30";

struct StampCase {
  const char* name;
  const char* written;   // as the camera wrote it
  const char* expected;  // what kova-cli says, local time of kIndia, to the second
};

// The found files of a scan by name.
std::map<std::string, JsonValue> ScannedByName(const fs::path& image) {
  CliResult scan = RunCli({"scan", image.string(), "--json"});
  EXPECT_EQ(scan.Status, 0) << scan.Err;
  std::map<std::string, JsonValue> files;
  for (const std::string& line : scan.OutLines()) {
    JsonValue file = Parse(line);
    if (!file.Member("summary")) files[Text(file, "name")] = std::move(file);
  }
  return files;
}

TEST(CliExfatTest, EntryStampsBecomeTheFilesDatesInLocalTime) {
  const StampCase cases[] = {
      // Written two hours east of UTC: 08:00:01.37 UTC.
      {"offset.jpg", "2024-05-18 10:00:01.37+02:00", "2024-05-18T13:30:01"},
      // West of UTC, across a year's end: 2024-01-01 03:29:58.10 UTC.
      {"new year.jpg", "2023-12-31 23:59:58.10-03:30", "2024-01-01T08:59:58"},
      // No offset: taken as written, as FAT stamps are; the 10 ms part carries a second.
      {"no offset.jpg", "2024-05-18 10:00:01.20", "2024-05-18T10:00:01"},
  };
  test::TempDir dir;
  const fs::path image = dir / "card.img";
  mkcard::CardBuilder card;
  mkcard::ExfatOptions options;
  options.card_bytes = 16 << 20;
  mkcard::ExfatVolumeWriter* volume = nullptr;
  KOVA_CARD_OK(mkcard::FormatExfat(&card, options, &volume));
  int seed = 0;
  for (const StampCase& c : cases) {
    mkcard::ExfatEntryOptions entry;
    entry.time = mkcard::ParseExfatStamp(c.written);
    ASSERT_TRUE(entry.time) << c.written;
    mkcard::Content photo;
    KOVA_CARD_OK(
        mkcard::MakePhoto({.width = 320, .height = 240, .seed = uint64_t(++seed)}, &photo));
    KOVA_CARD_OK(volume->WriteExfatFile(c.name, photo, {}, entry));
  }
  KOVA_CARD_OK(volume->Delete("new year.jpg"));
  KOVA_CARD_OK(card.Save(image));

  test::TimeZoneScope zone(kIndia);
  const std::map<std::string, JsonValue> files = ScannedByName(image);
  for (const StampCase& c : cases) {
    auto found = files.find(c.name);
    ASSERT_NE(found, files.end()) << c.name;
    EXPECT_EQ(Text(found->second, "modified"), c.expected) << c.written;
    EXPECT_EQ(Text(found->second, "created"), c.expected) << c.written;
  }
}

TEST(CliExfatTest, AVolumeMadeByMkfsExfatIsDescribedAndItsFreeSpaceSearched) {
  KOVA_EXFAT_TOOLS_OR_SKIP();
  test::TempDir dir;
  const fs::path image = dir / "mkfs.img";
  ASSERT_TRUE(test::MakeExfatImage(image, 64 << 20, "32K", "MKFS CARD"));
  auto fact = [&image](const char* name) { return test::DumpedExfatFact(image, name); };
  // A photo left in the free space, as a file deleted long ago leaves one.
  mkcard::Content photo;
  KOVA_CARD_OK(mkcard::MakePhoto({.width = 640, .height = 480, .seed = 7}, &photo));
  const int64_t photoAt = 40 << 20;
  std::fstream(image, std::ios::in | std::ios::out | std::ios::binary)
      .seekp(photoAt)
      .write(reinterpret_cast<const char*>(photo.bytes.data()),
             static_cast<std::streamsize>(photo.bytes.size()));

  CliResult info = RunCli({"info", image.string(), "--json"});
  ASSERT_EQ(info.Status, 0) << info.Err;
  const JsonValue facts = Parse(info.Out);
  EXPECT_EQ(Text(facts, "file_system"), "exFAT");
  EXPECT_EQ(Text(facts, "volume_label"), fact("Volume label"));
  EXPECT_EQ(std::to_string(Number(facts, "cluster_size")), fact("Cluster size"));
  EXPECT_EQ(std::to_string(Number(facts, "total_clusters")), fact("Total Clusters"));
  EXPECT_EQ(std::to_string(Number(facts, "free_clusters")), fact("Free Clusters"));
  EXPECT_EQ(Number(facts, "free_bytes"),
            std::stoll(fact("Free Clusters")) * std::stoll(fact("Cluster size")));

  CliResult scan = RunCli({"scan", image.string(), "--json"});
  ASSERT_EQ(scan.Status, 0) << scan.Err;
  int found = 0;
  for (const std::string& line : scan.OutLines()) {
    const JsonValue file = Parse(line);
    if (file.Member("summary")) continue;
    ++found;
    EXPECT_EQ(Text(file, "origin"), "scan") << line;
    EXPECT_EQ(Number(file, "size"), static_cast<int64_t>(photo.bytes.size())) << line;
    EXPECT_EQ(*file.Member("extents")->items[0].items[0].AsInteger(), photoAt) << line;
  }
  EXPECT_EQ(found, 1) << scan.Out;
}

TEST(CliExfatTest, AQuickFormattedCardGivesBackItsOldFolderByName) {
  KOVA_EXFAT_TOOLS_OR_SKIP();
  if (!test::CanMountExfat()) GTEST_SKIP() << "needs root, /dev/fuse, losetup and exfat-fuse";
  test::TempDir dir;
  const fs::path image = dir / "formatted.img";
  ASSERT_TRUE(test::MakeExfatImage(image, 64 << 20, "32K", "CAMERA"));
  std::vector<std::pair<std::string, std::vector<uint8_t>>> photos;
  for (int i = 1; i <= 10; ++i) {
    mkcard::Content photo;
    KOVA_CARD_OK(
        mkcard::MakePhoto({.width = 640, .height = 480, .seed = static_cast<uint64_t>(i)}, &photo));
    char name[40];
    std::snprintf(name, sizeof name, "DCIM/101MSDCF/DSC%05d.JPG", i);
    photos.emplace_back(name, photo.bytes);
  }
  ASSERT_TRUE(test::CopyIntoExfatImage(image, photos));
  ASSERT_TRUE(test::QuickFormatExfatImage(image, "32K", "NEW"));

  const std::map<std::string, JsonValue> found = ScannedByName(image);
  EXPECT_EQ(found.size(), photos.size()) << "nothing found again by the search";
  const std::vector<uint8_t> bytes = test::ReadFileBytes(image);
  for (const auto& [path, data] : photos) {
    const std::string name = path.substr(path.rfind('/') + 1);
    SCOPED_TRACE(name);
    auto file = found.find(name);
    ASSERT_NE(file, found.end());
    EXPECT_EQ(Text(file->second, "origin"), "lost");
    EXPECT_EQ(Number(file->second, "size"), static_cast<int64_t>(data.size()));
    const int64_t at = *file->second.Member("extents")->items[0].items[0].AsInteger();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + at)) << "one piece";
  }
}

}  // namespace
}  // namespace kova
