#include "ondisk/fat_entry.h"

#include "ondisk/little_endian.h"

namespace kova {

namespace {

// FAT12 and FAT16 values widened to the FAT32 meaning (free, bad, end of chain, link).
uint32_t Widen(uint32_t value, uint32_t bad) {
  if (value == bad) return kFatBad;
  if (value > bad) return kFatEnd;
  return value;
}

}  // namespace

int64_t FatEntryOffset(TXFatType type, int64_t n) {
  switch (type) {
    case TXFatType::ftFat12:
      return n + n / 2;
    case TXFatType::ftFat16:
      return n * 2;
    default:
      return n * 4;
  }
}

int64_t FatEntriesBytes(TXFatType type, int64_t count) {
  if (count <= 0) return 0;
  if (type == TXFatType::ftFat12) return (count * 3 + 1) / 2;
  return FatEntryOffset(type, count);
}

int64_t FatEntriesIn(TXFatType type, int64_t bytes) {
  if (bytes <= 0) return 0;
  switch (type) {
    case TXFatType::ftFat12:
      return bytes * 2 / 3;
    case TXFatType::ftFat16:
      return bytes / 2;
    default:
      return bytes / 4;
  }
}

uint32_t DecodeFatEntry(std::span<const uint8_t> bytes, TXFatType type, int64_t first, int64_t n) {
  const auto at = static_cast<size_t>(FatEntryOffset(type, n) - FatEntryOffset(type, first));
  switch (type) {
    case TXFatType::ftFat12: {
      const uint32_t pair = LeU16(bytes, at);
      return Widen(n % 2 ? pair >> 4 : pair & 0x0FFF, 0x0FF7);
    }
    case TXFatType::ftFat16:
      return Widen(LeU16(bytes, at), 0xFFF7);
    default:
      return LeU32(bytes, at) & 0x0FFFFFFF;
  }
}

}  // namespace kova
