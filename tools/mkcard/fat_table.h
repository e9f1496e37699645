#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "byte_order.h"
#include "volume_layout.h"

namespace kova::mkcard {

// The allocation table of one volume, one entry per cluster number, as the card will hold it.
class FatTable {
 public:
  FatTable() = default;
  FatTable(FatType type, uint32_t cluster_count, uint8_t media);

  uint32_t Get(uint32_t cluster) const { return entries_.at(cluster); }
  void Set(uint32_t cluster, uint32_t value) { entries_.at(cluster) = value; }
  bool IsFree(uint32_t cluster) const { return Get(cluster) == 0; }
  uint32_t EndMarker() const;
  uint32_t BadMarker() const;
  uint32_t FreeCount() const;

  // Links `clusters` into one chain ending with the end marker.
  void Chain(const std::vector<uint32_t>& clusters);
  // Frees the clusters, reserved bits included.
  void Release(const std::vector<uint32_t>& clusters);
  // FAT32: the upper four bits of the stored entry, which belong to no cluster number.
  void SetReservedBits(uint32_t cluster, uint8_t bits);

  // The table as stored: `sectors` sectors of packed 12-, 16- or 32-bit entries.
  Bytes Encode(uint32_t sectors) const;

 private:
  FatType type_ = FatType::kFat16;
  std::vector<uint32_t> entries_;
  std::map<uint32_t, uint8_t> reserved_bits_;
};

}  // namespace kova::mkcard
