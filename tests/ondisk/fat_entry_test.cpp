#include "ondisk/fat_entry.h"

#include <gtest/gtest.h>

#include <vector>

#include "ondisk/fat_boot_sector.h"
#include "ondisk/fs_info_sector.h"
#include "ondisk/little_endian.h"

namespace kova {
namespace {

// Entries 0 to 5 of a FAT12 table as formatters pack them: two 12-bit entries in three bytes.
// 0xFF8 and 0xFFF (media and end marks), a link 2 -> 3, an end mark, a bad cluster, a free one.
std::vector<uint8_t> Fat12Table() {
  const uint32_t entries[] = {0xFF8, 0xFFF, 0x003, 0xFFF, 0xFF7, 0x000};
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < 6; i += 2) {
    const uint32_t pair = entries[i] | (entries[i + 1] << 12);
    bytes.push_back(pair & 0xFF);
    bytes.push_back((pair >> 8) & 0xFF);
    bytes.push_back((pair >> 16) & 0xFF);
  }
  return bytes;
}

TEST(FatEntry, Fat12PairsAreUnpackedAndTheirMarksWidened) {
  const std::vector<uint8_t> table = Fat12Table();
  const TXFatType type = TXFatType::ftFat12;
  EXPECT_EQ(DecodeFatEntry(table, type, 0, 1), kFatEnd);
  EXPECT_EQ(DecodeFatEntry(table, type, 0, 2), 3u);
  EXPECT_EQ(DecodeFatEntry(table, type, 0, 3), kFatEnd);
  EXPECT_EQ(DecodeFatEntry(table, type, 0, 4), kFatBad);
  EXPECT_EQ(DecodeFatEntry(table, type, 0, 5), kFatFree);
  // Read from entry 2 on, the bytes start at the second pair.
  const std::vector<uint8_t> rest(table.begin() + 3, table.end());
  EXPECT_EQ(DecodeFatEntry(rest, type, 2, 3), kFatEnd);
  EXPECT_EQ(DecodeFatEntry(rest, type, 2, 4), kFatBad);
}

TEST(FatEntry, Fat16MarksAreWidenedAndFat32ReservedBitsMasked) {
  const std::vector<uint8_t> fat16 = {0xF8, 0xFF, 0xF7, 0xFF, 0x05, 0x00, 0xF8, 0xFF};
  EXPECT_EQ(DecodeFatEntry(fat16, TXFatType::ftFat16, 0, 1), kFatBad);
  EXPECT_EQ(DecodeFatEntry(fat16, TXFatType::ftFat16, 0, 2), 5u);
  EXPECT_EQ(DecodeFatEntry(fat16, TXFatType::ftFat16, 0, 3), kFatEnd);
  const std::vector<uint8_t> fat32 = {0x05, 0x00, 0x00, 0x10, 0xF7, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(DecodeFatEntry(fat32, TXFatType::ftFat32, 0, 0), 5u);
  EXPECT_EQ(DecodeFatEntry(fat32, TXFatType::ftFat32, 0, 1), kFatBad);
}

TEST(FatEntry, SizesOfTheTableAgreeForEveryWidth) {
  for (TXFatType type : {TXFatType::ftFat12, TXFatType::ftFat16, TXFatType::ftFat32}) {
    for (int64_t count = 1; count < 40; ++count) {
      SCOPED_TRACE(count);
      const int64_t bytes = FatEntriesBytes(type, count);
      EXPECT_EQ(FatEntriesIn(type, bytes), count) << "the bytes of count entries hold them";
      EXPECT_LT(FatEntriesIn(type, bytes - 1), count) << "one byte less cuts the last";
    }
  }
  EXPECT_EQ(FatEntriesBytes(TXFatType::ftFat12, 3), 5);
  EXPECT_EQ(FatEntryOffset(TXFatType::ftFat12, 5), 7);
}

TEST(FatNames, OnlyExactFatNamesAreFatAndNoNameIsNoLabel) {
  for (const char* name : {"FAT", "FAT12", "FAT16", "FAT32", "vfat", "fat32"})
    EXPECT_TRUE(IsFatFileSystemName(name)) << name;
  for (const char* name : {"exFAT", "FAT64", "", "NTFS", "FAT "})
    EXPECT_FALSE(IsFatFileSystemName(name)) << name;
  const std::vector<uint8_t> noName = {'N', 'O', ' ', 'N', 'A', 'M', 'E', ' ', ' ', ' ', ' '};
  EXPECT_EQ(DecodeFatLabel(noName, 437), "");
  const std::vector<uint8_t> label = {'C', 'A', 'N', 'O', 'N', 0x8E, ' ', ' ', ' ', ' ', ' '};
  EXPECT_EQ(DecodeFatLabel(label, 437), "CANON\u00C4");
  EXPECT_EQ(DecodeFatLabel(label, 866), "CANON\u041E");
}

TEST(FsInfoSector, TheCountIsTakenOnlyWithItsSignatures) {
  std::vector<uint8_t> sector(512, 0);
  const uint8_t lead[] = {0x52, 0x52, 0x61, 0x41};
  const uint8_t middle[] = {0x72, 0x72, 0x41, 0x61};
  std::copy(std::begin(lead), std::end(lead), sector.begin());
  std::copy(std::begin(middle), std::end(middle), sector.begin() + 484);
  sector[488] = 0x34;
  sector[489] = 0x12;
  const TXFsInfoSector info(sector);
  EXPECT_TRUE(info.HasSignatures());
  EXPECT_EQ(info.FreeCount(), 0x1234u);
  sector[0] = 0;
  EXPECT_FALSE(TXFsInfoSector(sector).HasSignatures());
  EXPECT_FALSE(TXFsInfoSector(std::vector<uint8_t>(100, 0)).HasSignatures());
}

TEST(LittleEndian, FieldsAreReadLowByteFirst) {
  const std::vector<uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88};
  EXPECT_EQ(LeU16(bytes, 0), 0x0201);
  EXPECT_EQ(LeU32(bytes, 1), 0x05040302u);
  EXPECT_EQ(LeU64(bytes, 0), 0x8807060504030201ull);
}

}  // namespace
}  // namespace kova
