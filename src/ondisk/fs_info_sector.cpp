#include "ondisk/fs_info_sector.h"

#include "ondisk/little_endian.h"

namespace kova {

namespace {

constexpr uint32_t kLeadSignature = 0x41615252;
constexpr uint32_t kStructSignature = 0x61417272;

}  // namespace

TXFsInfoSector::TXFsInfoSector(std::span<const uint8_t> sector) {
  if (sector.size() < 512) return;
  signed_ = LeU32(sector, 0) == kLeadSignature && LeU32(sector, 484) == kStructSignature;
  free_ = LeU32(sector, 488);
  next_ = LeU32(sector, 492);
}

}  // namespace kova
