#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>

#include "fat/card_fixture.h"
#include "fat/file_system_entry.h"
#include "ondisk/fat_dir_entry.h"
#include "storage/dos_date_time.h"

namespace kova {
namespace {

using test::FixtureCard;
using Entry = std::array<uint8_t, 32>;

// A short entry as a formatter writes it: name, attributes, size, first cluster.
Entry MakeEntry(const char* name11, uint8_t attributes = 0x20, uint32_t size = 1000,
                uint32_t cluster = 5) {
  Entry e{};
  std::memcpy(e.data(), name11, 11);
  e[11] = attributes;
  e[26] = cluster & 0xFF;
  e[27] = (cluster >> 8) & 0xFF;
  e[20] = (cluster >> 16) & 0xFF;
  e[21] = (cluster >> 24) & 0xFF;
  for (int i = 0; i < 4; ++i)
    e[28 + i] = (size >> (8 * i)) & 0xFF;
  return e;
}

TXDirEntryBytes Bytes(const Entry& e) {
  return TXDirEntryBytes(e.data(), 32);
}

TEST(FatDirEntry, KindsOfEntries) {
  Entry file = MakeEntry("IMG_0001JPG");
  EXPECT_TRUE(IsValidEntry(Bytes(file)));
  EXPECT_TRUE(IsFileEntry(Bytes(file)));
  EXPECT_FALSE(IsFolderEntry(Bytes(file)));

  Entry empty = MakeEntry("EMPTY   TXT", 0x20, 0);
  EXPECT_TRUE(IsValidEntry(Bytes(empty)));
  EXPECT_FALSE(IsFileEntry(Bytes(empty)));

  Entry folder = MakeEntry("DCIM       ", 0x10, 0);
  EXPECT_TRUE(IsFolderEntry(Bytes(folder)));
  EXPECT_FALSE(IsFileEntry(Bytes(folder)));

  Entry deleted = file;
  deleted[0] = 0xE5;
  EXPECT_TRUE(IsDeletedEntry(Bytes(deleted)));
  EXPECT_TRUE(IsFileEntry(Bytes(deleted)));

  Entry longName = MakeEntry("Ai\0m\0g\0.\0j\0", 0x0F, 0, 0);
  EXPECT_TRUE(IsLongNameEntry(Bytes(longName)));
  EXPECT_TRUE(IsValidEntry(Bytes(longName)));
  EXPECT_FALSE(IsValidShortEntry(Bytes(longName)));
  EXPECT_FALSE(IsFolderEntry(Bytes(longName)));
  longName[26] = 1;  // a long-name entry has no cluster
  EXPECT_FALSE(IsValidEntry(Bytes(longName)));

  Entry end{};
  EXPECT_TRUE(IsEndEntry(Bytes(end)));
  EXPECT_TRUE(IsValidEntry(Bytes(end)));
  end[31] = 1;
  EXPECT_FALSE(IsValidEntry(Bytes(end)));
}

TEST(FatDirEntry, DotEntriesMustBeExact) {
  Entry dot = MakeEntry(".          ", 0x10, 0, 7);
  Entry dotDot = MakeEntry("..         ", 0x10, 0, 0);
  EXPECT_TRUE(IsValidEntry(Bytes(dot)));
  EXPECT_TRUE(IsValidEntry(Bytes(dotDot)));
  EXPECT_TRUE(IsDotEntry(Bytes(dot)));
  EXPECT_FALSE(IsFolderEntry(Bytes(dot)));
  EXPECT_FALSE(IsValidEntry(Bytes(MakeEntry(".          ", 0x11, 0, 7))));
  EXPECT_FALSE(IsValidEntry(Bytes(MakeEntry("...        ", 0x10, 0, 7))));
  EXPECT_FALSE(IsValidEntry(Bytes(MakeEntry(".          ", 0x10, 512, 7))));
}

TEST(FatDirEntry, ShortNameCharactersAndSizes) {
  EXPECT_TRUE(IsValidShortEntry(Bytes(MakeEntry("A!#$%&'(-@^"))));
  EXPECT_TRUE(IsValidShortEntry(Bytes(MakeEntry("_{}~ 09\x80\xFF  "))));
  for (char bad : std::string("abz\"*+,./:;<=>?[\\]`|")) {
    Entry e = MakeEntry("NAME    JPG");
    e[3] = static_cast<uint8_t>(bad);
    EXPECT_FALSE(IsValidShortEntry(Bytes(e))) << bad;
  }
  EXPECT_TRUE(IsValidShortEntry(Bytes(MakeEntry("\x05NAME   JPG"))));
  EXPECT_FALSE(IsValidShortEntry(Bytes(MakeEntry("N\x05NAME  JPG"))));
  EXPECT_TRUE(IsValidShortEntry(Bytes(MakeEntry("FOLDER     ", 0x10, 1024))));
  EXPECT_FALSE(IsValidShortEntry(Bytes(MakeEntry("FOLDER     ", 0x10, 1000))));
  EXPECT_FALSE(IsValidShortEntry(Bytes(MakeEntry("LABEL      ", 0x08, 1000))));
  Entry tenths = MakeEntry("IMG_0001JPG");
  tenths[13] = 200;
  EXPECT_FALSE(IsValidEntry(Bytes(tenths)));
  EXPECT_FALSE(IsValidEntry(Bytes(MakeEntry("IMG_0001JPG", 0x40))));
}

TEST(FatDirEntry, FirstClusterUsesTheHighWordOnFat32Only) {
  Entry e = MakeEntry("IMG_0001JPG", 0x20, 1000, 0x00012345);
  EXPECT_EQ(FirstClusterOf(Bytes(e), true), 0x00012345u);
  EXPECT_EQ(FirstClusterOf(Bytes(e), false), 0x2345u);
}

TEST(FatDirEntry, ShortNamesAreDecodedWithTheOemCodePage) {
  auto decoded = DecodeEntry(Bytes(MakeEntry("GR\x99\xE1"
                                             "EC~1JPG")),
                             false, 437, {});
  EXPECT_EQ(decoded->Name,
            "GR\xC3\x96\xC3\x9F"
            "EC~1.JPG");  // GRÖßEC~1.JPG
  EXPECT_EQ(DecodeEntry(Bytes(MakeEntry("CAF\xD5    JPG")), false, 437, {})->Name,
            "CAF\xE2\x95\x92.JPG");  // box drawing in 437
  EXPECT_EQ(DecodeEntry(Bytes(MakeEntry("CAF\xD5    JPG")), false, 850, {})->Name,
            "CAF\xC4\xB1.JPG");  // dotless i in 850
  EXPECT_EQ(DecodeEntry(Bytes(MakeEntry("\x05NGEL   JPG")), false, 850, {})->Name,
            "\xC3\x95NGEL.JPG");
  EXPECT_EQ(DecodeEntry(Bytes(MakeEntry("README     ")), false, 437, {})->Name, "README.");
  Entry lower = MakeEntry("IMG_0001JPG");
  lower[12] = 0x18;  // both parts were written in small letters
  EXPECT_EQ(DecodeEntry(Bytes(lower), false, 437, {})->Name, "img_0001.jpg");
  auto named = DecodeEntry(Bytes(MakeEntry("HOLIDA~1JPG")), false, 437, "Holiday photo.jpg");
  EXPECT_EQ(named->Name, "Holiday photo.jpg");
  EXPECT_EQ(named->ShortName, "HOLIDA~1.JPG");
  Entry deleted = MakeEntry("FOLDER     ", 0x10, 0);
  deleted[0] = 0xE5;
  auto folder = DecodeEntry(Bytes(deleted), false, 437, {});
  EXPECT_EQ(folder->Name, "!OLDER.");
  EXPECT_TRUE(folder->Has(efFolder));
  EXPECT_TRUE(folder->Has(efDeleted));
  EXPECT_NE(dynamic_cast<TXFileSystemFolderEntry*>(folder.get()), nullptr);
  EXPECT_EQ(EntryExtension("!MG_0001.JPG"), ".JPG");
  EXPECT_EQ(EntryExtension("README."), "");
}

TEST(FatDirEntry, ImpossibleDatesDecodeAsZero) {
  Entry e = MakeEntry("IMG_0001JPG");
  e[24] = 0x00;  // write date: month 0
  e[25] = 0x00;
  e[16] = 0x3F;  // creation date: 1980-01-31 ... day 31 of month 1 is fine
  e[17] = 0x00;
  auto decoded = DecodeEntry(Bytes(e), false, 437, {});
  EXPECT_EQ(decoded->Modified, 0);
  EXPECT_EQ(decoded->Accessed, 0);
  double expected = 0;
  ASSERT_TRUE(DosDateTimeToDateTime(0x003F, 0, expected));
  EXPECT_EQ(decoded->Created, expected);
}

TEST(FatDirEntry, EntriesWrittenOnACardDecodeAsTheyWereWritten) {
  FixtureCard card(test::Fat32Options());
  KOVA_CARD_OK(card.Formatted());
  card.Builder().SetTime(*mkcard::ParseDosTime("2023-07-14 16:42:08"));
  KOVA_CARD_OK(card.Builder().MakeFolder("DCIM"));
  mkcard::Placement high;
  high.from = 70000;  // beyond 16 bits of cluster number
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/IMG_0001.JPG", test::Photo(320, 240), high));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/IMG_0002.JPG", test::Photo(320, 240, 2)));
  KOVA_CARD_OK(card.Builder().Delete("DCIM/IMG_0002.JPG"));
  KOVA_CARD_OK(card.Save());

  for (const char* path : {"DCIM/IMG_0001.JPG", "DCIM/IMG_0002.JPG", "DCIM"}) {
    const mkcard::ManifestRecord& record = card.Record(path);
    std::vector<uint8_t> raw = mkcard::Bytes();
    std::ifstream in(card.Image(), std::ios::binary);
    raw.resize(32);
    in.seekg(record.entry_offset);
    in.read(reinterpret_cast<char*>(raw.data()), 32);
    auto entry = DecodeEntry(TXDirEntryBytes(raw.data(), 32), true, 437, {});
    bool deleted = record.state == mkcard::EntryState::kDeleted;
    std::string expectedName = record.short_name.find('.') == std::string::npos
                                   ? record.short_name + "."
                                   : record.short_name;
    if (deleted) expectedName[0] = '!';
    EXPECT_EQ(entry->Name, expectedName);
    EXPECT_EQ(entry->Size, record.folder ? 0 : static_cast<int64_t>(record.size));
    EXPECT_EQ(entry->FirstCluster, record.first_cluster);
    EXPECT_EQ(entry->Has(efDeleted), deleted);
    EXPECT_EQ(entry->Has(efFolder), record.folder);
    double written = 0;
    auto time = mkcard::ParseDosTime(record.time);
    ASSERT_TRUE(time && DosDateTimeToDateTime(time->date, time->time, written));
    EXPECT_EQ(entry->Modified, written) << path;
  }
  EXPECT_GE(card.Record("DCIM/IMG_0001.JPG").first_cluster, 70000u);
}

}  // namespace
}  // namespace kova
