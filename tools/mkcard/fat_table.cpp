#include "fat_table.h"

#include <algorithm>

namespace kova::mkcard {

FatTable::FatTable(FatType type, uint32_t cluster_count, uint8_t media)
    : type_(type), entries_(uint64_t{cluster_count} + 2, 0) {
  const uint32_t end = EndMarker();
  entries_[0] = (end & ~0xFFu) | media;
  entries_[1] = end;
}

uint32_t FatTable::EndMarker() const {
  switch (type_) {
    case FatType::kFat12:
      return 0xFFF;
    case FatType::kFat16:
      return 0xFFFF;
    case FatType::kFat32:
      return 0x0FFFFFFF;
  }
  return 0x0FFFFFFF;
}

uint32_t FatTable::BadMarker() const {
  return EndMarker() - 8;
}

uint32_t FatTable::FreeCount() const {
  return static_cast<uint32_t>(std::count(entries_.begin() + 2, entries_.end(), 0u));
}

void FatTable::Chain(const std::vector<uint32_t>& clusters) {
  for (size_t i = 0; i < clusters.size(); ++i) {
    Set(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : EndMarker());
  }
}

void FatTable::Release(const std::vector<uint32_t>& clusters) {
  for (uint32_t cluster : clusters) {
    Set(cluster, 0);
    reserved_bits_.erase(cluster);
  }
}

void FatTable::SetReservedBits(uint32_t cluster, uint8_t bits) {
  if (bits == 0) {
    reserved_bits_.erase(cluster);
  } else {
    reserved_bits_[cluster] = bits;
  }
}

Bytes FatTable::Encode(uint32_t sectors) const {
  Bytes out(uint64_t{sectors} * VolumeLayout::kSectorBytes, 0);
  for (size_t n = 0; n < entries_.size(); ++n) {
    const uint32_t value = entries_[n];
    switch (type_) {
      case FatType::kFat12: {
        uint8_t* at = out.data() + n * 3 / 2;
        const uint16_t packed = static_cast<uint16_t>(GetLE(at, 2));
        const uint16_t merged =
            n % 2 == 0 ? (packed & 0xF000) | value : (packed & 0x000F) | (value << 4);
        PutLE(at, merged, 2);
        break;
      }
      case FatType::kFat16:
        PutLE(out.data() + n * 2, value, 2);
        break;
      case FatType::kFat32: {
        const auto reserved = reserved_bits_.find(static_cast<uint32_t>(n));
        const uint32_t high = reserved == reserved_bits_.end() ? 0 : uint32_t{reserved->second};
        PutLE(out.data() + n * 4, value | (high << 28), 4);
        break;
      }
    }
  }
  return out;
}

}  // namespace kova::mkcard
