#include "fat/long_name.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "fat/fat_recovery_fixture.h"
#include "support/test_files.h"

// VFAT long names read back from the entries mkcard wrote on a card, as a phone or a computer
// writes them, and from those entries damaged or rearranged the ways cards get damaged.
namespace kova {
namespace {

using test::FatRecoveryRun;
using test::FixtureCard;
using Entry = std::array<uint8_t, kDirEntrySize>;

const std::vector<std::string> kNames = {
    "Holiday photo at the beach.jpg",
    "IMG_20240612_153012.jpg",
    "Gr\xC3\xB6\xC3\x9F"
    "e caf\xC3\xA9.jpg",
    "A name long enough to need many long-name entries, as some phones write them.jpg",
};

mkcard::EntryOptions AsLongName() {
  mkcard::EntryOptions options;
  options.generate_short_name = true;
  return options;
}

class LongNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Builder().MakeFolder("DCIM"));
    for (size_t i = 0; i < kNames.size(); ++i) {
      KOVA_CARD_OK(card.Builder().WriteFile("DCIM/" + kNames[i], mkcard::MakeData(100, i), {},
                                            AsLongName()));
    }
    KOVA_CARD_OK(card.Builder().Delete("DCIM/" + kNames[1]));
    KOVA_CARD_OK(card.Save());
    image = test::ReadFileBytes(card.Image());
  }
  const mkcard::ManifestRecord& Record(size_t i) const { return card.Record("DCIM/" + kNames[i]); }
  Entry EntryAt(int64_t offset) const {
    Entry entry;
    std::copy_n(image.begin() + offset, kDirEntrySize, entry.begin());
    return entry;
  }
  // The long-name entries of a file, in place order (the last part of the name first).
  std::vector<Entry> LongEntries(size_t i) const {
    const int64_t shortAt = Record(i).entry_offset;
    int64_t at = shortAt;
    while (at > 0 && IsLongNameEntry(TXDirEntryBytes(EntryAt(at - 32))))
      at -= 32;
    std::vector<Entry> entries;
    for (; at < shortAt; at += 32)
      entries.push_back(EntryAt(at));
    return entries;
  }
  Entry ShortEntry(size_t i) const { return EntryAt(Record(i).entry_offset); }
  static std::string NameOf(const std::vector<Entry>& parts, const Entry& shortEntry) {
    TXLongNameCollector collector;
    for (const Entry& part : parts)
      collector.Add(TXDirEntryBytes(part));
    return collector.NameFor(TXDirEntryBytes(shortEntry));
  }

  FixtureCard card{test::Fat16Options()};
  std::vector<uint8_t> image;
};

TEST_F(LongNameTest, LiveAndDeletedNamesComeBackWholeFirstLetterIncluded) {
  for (size_t i = 0; i < kNames.size(); ++i) {
    ASSERT_EQ(Record(i).long_name, kNames[i]);
    EXPECT_EQ(NameOf(LongEntries(i), ShortEntry(i)), kNames[i]);
  }
  EXPECT_EQ(Record(1).state, mkcard::EntryState::kDeleted);
  EXPECT_GE(LongEntries(3).size(), 6u) << "the long name takes many entries";
}

TEST_F(LongNameTest, EntriesThatDoNotBelongToTheShortEntryGiveNoName) {
  // Orphans: another file's long-name entries, or entries cut off by an entry between.
  EXPECT_EQ(NameOf(LongEntries(0), ShortEntry(2)), "");
  TXLongNameCollector collector;
  for (const Entry& part : LongEntries(0))
    collector.Add(TXDirEntryBytes(part));
  collector.Clear();  // a "." entry or a volume label stood between
  EXPECT_EQ(collector.NameFor(TXDirEntryBytes(ShortEntry(0))), "");
  // Live entries before a deleted short entry, deleted ones before a live short entry.
  EXPECT_EQ(NameOf(LongEntries(0), ShortEntry(1)), "");
  EXPECT_EQ(NameOf(LongEntries(1), ShortEntry(0)), "");
  // Nothing gathered stays for the next short entry.
  collector.Add(TXDirEntryBytes(LongEntries(0).back()));
  EXPECT_EQ(collector.NameFor(TXDirEntryBytes(ShortEntry(2))), "");
  EXPECT_EQ(collector.NameFor(TXDirEntryBytes(ShortEntry(0))), "");
}

TEST_F(LongNameTest, ALiveSetWithABadChecksumOrASequenceGapGivesNoName) {
  std::vector<Entry> parts = LongEntries(3);
  ASSERT_GE(parts.size(), 3u);
  std::vector<Entry> badChecksum = parts;
  badChecksum[1][13] ^= 0x01;
  EXPECT_EQ(NameOf(badChecksum, ShortEntry(3)), "");

  std::vector<Entry> gap = parts;
  gap.erase(gap.begin() + 1);
  EXPECT_EQ(NameOf(gap, ShortEntry(3)), "");
  std::vector<Entry> twice = parts;
  twice.insert(twice.begin() + 1, parts[1]);
  EXPECT_EQ(NameOf(twice, ShortEntry(3)), "");
  std::vector<Entry> swapped = parts;
  std::swap(swapped[1], swapped[2]);
  EXPECT_EQ(NameOf(swapped, ShortEntry(3)), "");
  std::vector<Entry> noLastMark = parts;
  noLastMark[0][0] &= 0x3F;
  EXPECT_EQ(NameOf(noLastMark, ShortEntry(3)), "");
}

TEST_F(LongNameTest, ADeletedSetKeepsOnlyItsOwnPartsBeforeTheShortEntry) {
  // Another deleted file's entries before this one's are left out by their checksum.
  KOVA_CARD_OK(card.Builder().Delete("DCIM/" + kNames[0]));
  KOVA_CARD_OK(card.Save());
  image = test::ReadFileBytes(card.Image());
  std::vector<Entry> parts = LongEntries(0);
  const std::vector<Entry> own = LongEntries(1);
  parts.insert(parts.end(), own.begin(), own.end());
  EXPECT_EQ(NameOf(parts, ShortEntry(1)), kNames[1]);
  EXPECT_EQ(NameOf(LongEntries(0), ShortEntry(0)), kNames[0]);
}

// A folder in 512-byte clusters whose second cluster is not next to its first: the long-name
// entries of a file begin at the end of the first cluster and its short entry opens the second.
TEST(LongNameAcrossClusters, NamesSplitBetweenTwoClustersOfAFolderAreWhole) {
  FixtureCard card(test::Fat16Options(16 << 20, 1));
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Builder().MakeFolder("DCIM"));
  std::vector<std::string> names;
  for (int i = 0; i < 6; ++i) {
    // 27 characters: three long-name entries and the short entry, four entries a file.
    names.push_back("Holiday photo number " + std::to_string(100 + i) + ".jpg");
    KOVA_CARD_OK(card.Builder().WriteFile("DCIM/" + names.back(), test::Photo(64, 48, i + 1), {},
                                          AsLongName()));
  }
  KOVA_CARD_OK(card.Builder().Delete("DCIM/" + names[4]));
  KOVA_CARD_OK(card.Save());
  const mkcard::ManifestRecord& folder = card.Record("DCIM");
  ASSERT_GE(folder.extents.size(), 2u) << "the folder's clusters lie apart";
  const uint64_t second = folder.extents[1].offset;
  // ".", "..", then files of four entries: the fourth file's entries cross into the second.
  const uint64_t split = static_cast<uint64_t>(card.Record("DCIM/" + names[3]).entry_offset);
  ASSERT_GT(split, second);
  ASSERT_LT(split, second + 3 * kDirEntrySize);

  FatRecoveryRun run(card.Image());
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();
  for (const std::string& name : names) {
    const TXDRFileItem* file = run.offered.Find(name);
    ASSERT_NE(file, nullptr) << name << " among " << testing::PrintToString(run.offered.Names());
    EXPECT_EQ(file->Folder, "DCIM");
    EXPECT_FALSE(file->FirstLetterLost) << name;
  }
  EXPECT_TRUE(run.offered.Find(names[4])->IsDeletedEntry());
}

}  // namespace
}  // namespace kova
