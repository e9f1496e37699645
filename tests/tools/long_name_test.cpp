// VFAT long names as phones and computers write them: long-name entry sets with sequence
// numbers, last-entry flag, checksum and UTF-16; generated 8.3 aliases in the OEM code page;
// deletions that mark every entry of the set; equally named files in sibling folders; entry
// times from the recipe. mtools and The Sleuth Kit read the names back.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "card_builder.h"
#include "card_test_support.h"
#include "recipe.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

using kova::test::TempDir;

constexpr const char* kCameraAndPhone = R"(
volume fat32 size=40M cluster=512 label="PHONE"
time 2024-06-12 15:30:12
folder DCIM
folder DCIM/100CANON
folder DCIM/101CANON
file DCIM/100CANON/IMG_0001.JPG photo=320x240 seed=1 time=2023-12-24T18:00:00
file DCIM/101CANON/IMG_0001.JPG photo=320x240 seed=2 time=2024-01-02T08:15:30
folder "DCIM/Camera Roll"
file "DCIM/Camera Roll/Holiday photo at the beach.jpg" photo=320x240 seed=3
file "DCIM/Camera Roll/Holiday photo at the lake.jpg" photo=320x240 seed=4
file "DCIM/Camera Roll/IMG_20240612_153012.jpg" photo=320x240 seed=5
file "DCIM/Camera Roll/Größe café.jpg" photo=320x240 seed=6
file "DCIM/Camera Roll/readme.txt" text="a lower-case name"
delete "DCIM/Camera Roll/IMG_20240612_153012.jpg"
delete "DCIM/Camera Roll/Größe café.jpg"
)";

class LongNameCardTest : public RecipeCardTest {
 protected:
  std::vector<uint8_t> EntryAt(uint64_t offset) { return ReadFileBytes(image_, offset, 32); }
  const ManifestRecord& Record(const std::string& path) {
    const ManifestRecord* r = manifest_.Find(path);
    EXPECT_NE(r, nullptr) << path;
    static const ManifestRecord kNone;
    return r ? *r : kNone;
  }
  std::string Mdir(const std::string& folder) {
    return RunCommand("LC_ALL=C.UTF-8 mdir -i " + Quote(image_) + " '::" + folder + "'").output;
  }
};

// The checksum of the 8.3 name that every long-name entry of its set carries.
uint8_t ChecksumOf(const std::vector<uint8_t>& short_entry) {
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i)
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + short_entry[i]);
  return sum;
}

// The 13 UTF-16 units of one long-name entry.
std::u16string UnitsOf(const std::vector<uint8_t>& entry) {
  std::u16string units;
  for (int at : {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30})
    units.push_back(static_cast<char16_t>(entry[at] | (entry[at + 1] << 8)));
  return units;
}

TEST_F(LongNameCardTest, AliasesAreMadeAsWindowsAndLinuxMakeThem) {
  Build(kCameraAndPhone);
  EXPECT_EQ(Record("DCIM/Camera Roll/Holiday photo at the beach.jpg").short_name, "HOLIDA~1.JPG");
  EXPECT_EQ(Record("DCIM/Camera Roll/Holiday photo at the lake.jpg").short_name, "HOLIDA~2.JPG");
  EXPECT_EQ(Record("DCIM/Camera Roll/IMG_20240612_153012.jpg").short_name, "IMG_20~1.JPG");
  EXPECT_EQ(Record("DCIM/Camera Roll/readme.txt").short_name, "README.TXT")
      << "a name that fits 8.3 in upper case needs no tail";
  EXPECT_EQ(Record("DCIM/CAMERA~1").long_name, "Camera Roll");
  const ManifestRecord& cafe = Record("DCIM/Camera Roll/Größe café.jpg");
  EXPECT_EQ(cafe.short_name, "GRÖßEC~1.JPG");
  EXPECT_EQ(cafe.path, "DCIM/CAMERA~1/GRÖßEC~1.JPG");
  EXPECT_EQ(cafe.folder_path, "DCIM/Camera Roll");
  const std::vector<uint8_t> entry = EntryAt(static_cast<uint64_t>(cafe.entry_offset));
  EXPECT_EQ(std::vector<uint8_t>(entry.begin() + 1, entry.begin() + 11),
            (std::vector<uint8_t>{'R', 0x99, 0xE1, 'E', 'C', '~', '1', 'J', 'P', 'G'}))
      << "Ö and ß in code page 437";
}

TEST_F(LongNameCardTest, LongNameEntriesCarrySequenceChecksumAndUtf16) {
  Build(kCameraAndPhone);
  const ManifestRecord& beach = Record("DCIM/Camera Roll/Holiday photo at the beach.jpg");
  const uint64_t short_at = static_cast<uint64_t>(beach.entry_offset);
  const std::vector<uint8_t> short_entry = EntryAt(short_at);
  const std::u16string name = u"Holiday photo at the beach.jpg";  // 30 units: three entries
  std::u16string read;
  for (int part = 1; part <= 3; ++part) {
    const std::vector<uint8_t> entry = EntryAt(short_at - 32 * part);
    EXPECT_EQ(entry[0], part | (part == 3 ? 0x40 : 0)) << "sequence number, last one flagged";
    EXPECT_EQ(entry[11], 0x0F) << "long-name attributes";
    EXPECT_EQ(entry[13], ChecksumOf(short_entry));
    EXPECT_EQ(entry[26] | entry[27], 0) << "no cluster";
    read += UnitsOf(entry);
  }
  EXPECT_EQ(read.substr(0, name.size()), name);
  EXPECT_EQ(read[name.size()], u'\0') << "a terminator after the name";
  EXPECT_EQ(read.substr(name.size() + 1), std::u16string(8, u'\xFFFF')) << "then padding";
}

TEST_F(LongNameCardTest, DeletionMarksTheShortEntryAndEveryLongNameEntry) {
  Build(kCameraAndPhone);
  const ManifestRecord& deleted = Record("DCIM/Camera Roll/IMG_20240612_153012.jpg");
  EXPECT_EQ(deleted.state, EntryState::kDeleted);
  EXPECT_TRUE(deleted.intact);
  const uint64_t short_at = static_cast<uint64_t>(deleted.entry_offset);
  EXPECT_EQ(EntryAt(short_at)[0], 0xE5);
  const std::u16string name = u"IMG_20240612_153012.jpg";  // 23 units: two entries
  const std::vector<uint8_t> second = EntryAt(short_at - 64);
  const std::vector<uint8_t> first = EntryAt(short_at - 32);
  EXPECT_EQ(second[0], 0xE5) << "the sequence byte goes, as real systems do it";
  EXPECT_EQ(first[0], 0xE5);
  std::vector<uint8_t> undeleted = EntryAt(short_at);
  undeleted[0] = 'I';
  EXPECT_EQ(first[13], ChecksumOf(undeleted)) << "the checksum still matches the name as it was";
  EXPECT_EQ((UnitsOf(first) + UnitsOf(second)).substr(0, name.size()), name)
      << "every character of the long name stays, the first letter included";
}

TEST_F(LongNameCardTest, MtoolsListsTheLongNamesAndContents) {
  SKIP_WITHOUT_TOOL("mdir");
  Build(kCameraAndPhone);
  const std::string roll = Mdir("DCIM/Camera Roll");
  EXPECT_NE(roll.find("HOLIDA~1 JPG"), std::string::npos) << roll;
  EXPECT_NE(roll.find("Holiday photo at the beach.jpg"), std::string::npos) << roll;
  EXPECT_NE(roll.find("readme.txt"), std::string::npos) << roll;
  EXPECT_EQ(roll.find("Größe café.jpg"), std::string::npos) << "deleted entries are not listed";
  const ToolRun text =
      RunCommand("LC_ALL=C.UTF-8 mtype -i " + Quote(image_) + " '::DCIM/Camera Roll/readme.txt'");
  EXPECT_EQ(text.output, "a lower-case name");
  EXPECT_NE(Mdir("DCIM/100CANON").find("IMG_0001 JPG"), std::string::npos);
  EXPECT_NE(Mdir("DCIM/101CANON").find("IMG_0001 JPG"), std::string::npos);
  if (HaveTool("fsck.fat")) {
    const ToolRun fsck = RunCommand("fsck.fat -n " + Quote(image_));
    EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  }
}

TEST_F(LongNameCardTest, SleuthKitReadsLiveAndDeletedLongNames) {
  if (!HaveTool("fls"))
    GTEST_SKIP() << "The Sleuth Kit (fls) is not installed; its cross-check is skipped";
  Build(kCameraAndPhone);
  const std::string files = RunCommand("fls -r " + Quote(image_)).output;
  EXPECT_NE(files.find("Holiday photo at the lake.jpg"), std::string::npos) << files;
  for (const char* deleted : {"IMG_20240612_153012.jpg", "Größe café.jpg"}) {
    const size_t at = files.find(deleted);
    ASSERT_NE(at, std::string::npos) << deleted << "\n" << files;
    const size_t line = files.rfind('\n', at);
    EXPECT_NE(files.substr(line, at - line).find('*'), std::string::npos)
        << deleted << " is listed as deleted";
  }
}

TEST_F(LongNameCardTest, EquallyNamedFilesInSiblingFoldersKeepTheirOwnTimes) {
  Build(kCameraAndPhone);
  const ManifestRecord* first = manifest_.Find("DCIM/100CANON/IMG_0001.JPG");
  const ManifestRecord* second = manifest_.Find("DCIM/101CANON/IMG_0001.JPG");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->folder_path, "DCIM/100CANON");
  EXPECT_EQ(second->folder_path, "DCIM/101CANON");
  EXPECT_NE(first->crc32, second->crc32);
  EXPECT_EQ(first->time, "2023-12-24 18:00:00");
  EXPECT_EQ(second->time, "2024-01-02 08:15:30");
  const std::vector<uint8_t> entry = EntryAt(static_cast<uint64_t>(second->entry_offset));
  const uint32_t time = entry[22] | (entry[23] << 8);
  const uint32_t date = entry[24] | (entry[25] << 8);
  EXPECT_EQ(1980 + (date >> 9), 2024u);
  EXPECT_EQ((date >> 5) & 15, 1u);
  EXPECT_EQ(date & 31, 2u);
  EXPECT_EQ(time >> 11, 8u);
  EXPECT_EQ((time >> 5) & 63, 15u);
  EXPECT_EQ((time & 31) * 2, 30u);
  EXPECT_EQ(Record("DCIM/Camera Roll/readme.txt").time, "2024-06-12 15:30:12")
      << "the recipe's current time";
}

TEST(LongNameAliases, MatchTheAliasesMtoolsMakes) {
  SKIP_WITHOUT_TOOL("mcopy");
  SKIP_WITHOUT_TOOL("mkfs.fat");
  const std::vector<std::string> names = {"Holiday photo at the beach.jpg",
                                          "Holiday photo at the beach 2.jpg",
                                          "my.file.name.jpeg",
                                          "IMG_20240612_153012.jpg",
                                          ".hidden file",
                                          "a+b=c[1].txt",
                                          "Ünïcödé and more.txt",
                                          "verylongextension.jpeg",
                                          "Größe café.jpg",
                                          "  leading blanks.txt"};
  TempDir dir;
  // mtools names with code page 850, as the card builder does when asked to.
  CardBuilder card;
  VolumeOptions options = SmallFat16();
  options.code_page = 850;
  FormatOrFail(card, options);
  const std::filesystem::path reference = dir / "reference.img";
  ASSERT_EQ(RunCommand("mkfs.fat -C " + Quote(reference) + " 8192").exit_code, 0);
  std::ofstream(dir / "x.txt") << "x";
  for (const std::string& name : names) {
    EntryOptions entry;
    entry.generate_short_name = true;
    ASSERT_TRUE(card.WriteFile(name, MakeText("x"), {}, entry).ok()) << name;
    RunCommand("LC_ALL=C.UTF-8 mcopy -i " + Quote(reference) + " " + Quote(dir / "x.txt") + " " +
               Quote("::" + name));
  }
  const std::string listing =
      RunCommand("LC_ALL=C.UTF-8 mdir -i " + Quote(reference) + " ::").output;
  const Manifest manifest = card.MakeManifest();
  for (const std::string& name : names) {
    const ManifestRecord* r = manifest.Find(name);
    ASSERT_NE(r, nullptr) << name;
    std::string shown = r->short_name;
    const size_t dot = shown.find('.');
    if (dot != std::string::npos) {
      const std::string base = shown.substr(0, dot);
      const auto letters =
          std::count_if(base.begin(), base.end(), [](char c) { return (c & 0xC0) != 0x80; });
      shown = base + std::string(9 - static_cast<size_t>(letters), ' ') + shown.substr(dot + 1);
    }
    EXPECT_NE(listing.find(shown), std::string::npos) << name << " -> " << r->short_name << "\n"
                                                      << listing;
  }
}

TEST(LongNameAliases, FollowTheCodePage) {
  CardBuilder card;
  VolumeOptions options = SmallFat16();
  FormatOrFail(card, options);
  EntryOptions generated;
  generated.generate_short_name = true;
  ASSERT_TRUE(card.WriteFile("Ünïcödé.txt", MakeText("x"), {}, generated).ok());
  EXPECT_EQ(card.MakeManifest().records.back().short_name, "ÜN_CÖD~1.TXT")
      << "437 has no Ï: the alias loses it";
  options.code_page = 850;
  FormatOrFail(card, options);
  ASSERT_TRUE(card.WriteFile("Ünïcödé.txt", MakeText("x"), {}, generated).ok());
  EXPECT_EQ(card.MakeManifest().records.back().short_name, "ÜNÏCÖDÉ.TXT");
  ASSERT_TRUE(card.WriteFile("ÕLA.JPG", MakeText("x")).ok()) << "Õ is 0xE5 in 850";
  const ManifestRecord ola = card.MakeManifest().records.back();
  EXPECT_EQ(ola.short_name, "ÕLA.JPG");
  EXPECT_EQ(card.ReadImage(static_cast<uint64_t>(ola.entry_offset), 1).at(0), 0x05)
      << "a first byte 0xE5 is stored as 0x05";
}

TEST(LongNameAliases, RefuseShortNamesThatBreakTheRules) {
  CardBuilder card;
  FormatOrFail(card, SmallFat16());
  const std::vector<std::pair<std::string, std::string>> refusals = {
      {"lower.txt", "character 'l' is not allowed"},
      {"A+B.TXT", "character '+' is not allowed"},
      {"ØRE.JPG", "character 'Ø' is not allowed"},
      {"TOOLONGNAME.TXT", "more than 8 characters"},
  };
  for (const auto& [name, expected] : refusals) {
    const Status refused = card.WriteFile(name, MakeText("x"));
    EXPECT_NE(refused.message().find(expected), std::string::npos)
        << name << ": " << refused.message();
  }
  VolumeOptions odd = SmallFat16();
  odd.code_page = 1252;
  EXPECT_NE(card.Format(odd).message().find("code page 1252 is not known"), std::string::npos);
  EntryOptions generated;
  generated.generate_short_name = true;
  EXPECT_NE(card.WriteFile("...", MakeText("x"), {}, generated).message().find("nothing"),
            std::string::npos);
}

}  // namespace
}  // namespace kova::mkcard::test
