#pragma once

#include <cstdint>
#include <span>

namespace kova {

// The FAT32 information sector: its signatures and the free-cluster count and next-free
// hint that drivers keep. Both numbers are hints a driver may leave stale; 0xFFFFFFFF means
// "not known".
class TXFsInfoSector {
 public:
  static constexpr uint32_t kUnknown = 0xFFFFFFFF;

  // Reads the first 512 bytes; shorter input gives a sector without signatures.
  explicit TXFsInfoSector(std::span<const uint8_t> sector);

  bool HasSignatures() const { return signed_; }
  uint32_t FreeCount() const { return free_; }
  uint32_t NextFree() const { return next_; }

 private:
  bool signed_ = false;
  uint32_t free_ = kUnknown;
  uint32_t next_ = kUnknown;
};

}  // namespace kova
