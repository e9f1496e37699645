#include "ondisk/exfat_boot_sector.h"

#include <algorithm>
#include <cstring>

namespace kova {

namespace {

constexpr uint32_t kMinSectorShift = 9;
constexpr uint32_t kMaxSectorShift = 12;
constexpr uint32_t kMaxClusterShift = 25;  // clusters of at most 32 MiB
constexpr uint32_t kMustBeZeroFrom = 11;
constexpr uint32_t kMustBeZeroTo = 64;
constexpr char kName[] = "EXFAT   ";

}  // namespace

TXExfatBootSector::TXExfatBootSector(std::span<const uint8_t> bytes) {
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), bytes_.begin());
}

bool TXExfatBootSector::IsPlausible() const {
  if (std::memcmp(&bytes_[3], kName, 8) != 0 || U16(510) != 0xAA55) return false;
  if (std::any_of(&bytes_[kMustBeZeroFrom], &bytes_[kMustBeZeroTo], [](uint8_t b) { return b; }))
    return false;
  if (SectorShift() < kMinSectorShift || SectorShift() > kMaxSectorShift ||
      SectorShift() + ClusterShift() > kMaxClusterShift || FatCount() < 1 || FatCount() > 2) {
    return false;
  }
  const uint64_t clusterSectors = uint64_t{1} << ClusterShift();
  const uint64_t fatEnd = uint64_t{FatOffsetSectors()} + uint64_t{FatSectors()} * FatCount();
  const uint64_t fatEntries = (uint64_t{FatSectors()} << SectorShift()) / 4;
  return FatOffsetSectors() >= 2 * kExfatRegionSectors && ClusterCount() > 0 &&
         fatEntries >= uint64_t{ClusterCount()} + 2 && HeapOffsetSectors() >= fatEnd &&
         HeapOffsetSectors() + ClusterCount() * clusterSectors <= VolumeSectors() &&
         IsDataCluster(RootCluster());
}

uint32_t ExfatBootChecksum(std::span<const uint8_t> region, uint32_t sectorBytes) {
  uint32_t sum = 0;
  const size_t end = std::min(region.size(), size_t{kExfatChecksumSector} * sectorBytes);
  for (size_t i = 0; i < end; ++i) {
    if (i == 106 || i == 107 || i == 112) continue;
    sum = ((sum & 1) ? 0x80000000u : 0u) + (sum >> 1) + region[i];
  }
  return sum;
}

}  // namespace kova
