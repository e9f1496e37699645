#pragma once

#include <cstdint>
#include <span>

#include "ondisk/fat_boot_sector.h"

// Entries of a FAT allocation table in all three widths: FAT12 packs two 12-bit entries in three
// bytes, FAT16 entries are 16 bits, FAT32 entries 32 bits of which the upper four are reserved.
namespace kova {

// Entry values in their FAT32 meaning, whatever the table's width.
inline constexpr uint32_t kFatFree = 0;
inline constexpr uint32_t kFatBad = 0x0FFFFFF7;
inline constexpr uint32_t kFatLast = 0x0FFFFFF8;  // from here to kFatEnd: the end of a chain
inline constexpr uint32_t kFatEnd = 0x0FFFFFFF;

// The byte of the table where entry n starts.
int64_t FatEntryOffset(TXFatType type, int64_t n);
// The bytes that entries first to first + count - 1 take in the table, from the start of the
// first one. `first` must be even for FAT12, so that no entry pair is cut.
int64_t FatEntriesBytes(TXFatType type, int64_t count);
// The number of whole entries that `bytes` bytes of a table hold from an even entry on.
int64_t FatEntriesIn(TXFatType type, int64_t bytes);
// Entry n of a table of the type whose bytes from entry `first` on are `bytes` (first even for
// FAT12), widened to the FAT32 meaning: FAT12 and FAT16 bad and end marks become kFatBad and
// kFatEnd, the reserved bits of FAT32 are masked (0x10000005 links to cluster 5).
uint32_t DecodeFatEntry(std::span<const uint8_t> bytes, TXFatType type, int64_t first, int64_t n);

}  // namespace kova
