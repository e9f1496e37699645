#include "storage/exfat_boot_region.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "storage/platform_device.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr uint32_t kRegionSectors = 12;
constexpr uint32_t kChecksumSector = 11;
constexpr uint32_t kMinSectorShift = 9;
constexpr uint32_t kMaxSectorShift = 12;
constexpr uint32_t kMaxClusterShift = 25;  // clusters of at most 32 MiB
constexpr uint32_t kMustBeZeroFrom = 11;
constexpr uint32_t kMustBeZeroTo = 64;
constexpr char kName[] = "EXFAT   ";

struct TXRegionCheck {
  TXExfatBootSector Boot;
  bool Plausible = false;
  bool ChecksumGood = false;
};

// The region that starts at `offset`, read with the sector size its own boot sector gives.
TXRegionCheck CheckRegion(const TXVolumeReader& read, int64_t offset) {
  TXRegionCheck check;
  std::array<uint8_t, TXExfatBootSector::kSize> first{};
  if (!read(offset, first.data(), first.size())) return check;
  check.Boot = TXExfatBootSector(first);
  check.Plausible = check.Boot.IsPlausible();
  if (!check.Plausible) return check;
  const uint32_t sector = check.Boot.SectorBytes();
  std::vector<uint8_t> region(size_t{kRegionSectors} * sector);
  if (!read(offset, region.data(), static_cast<int64_t>(region.size()))) return check;
  const uint32_t sum = ExfatBootChecksum(region, sector);
  check.ChecksumGood = true;
  for (size_t at = size_t{kChecksumSector} * sector; at < region.size(); at += 4) {
    uint32_t stored = 0;
    std::memcpy(&stored, &region[at], 4);
    check.ChecksumGood = check.ChecksumGood && stored == sum;
  }
  return check;
}

// The backup region sits at sector 12 in the volume's own sector size, which a damaged main
// region no longer tells: every size is tried, and a backup counts only when its boot sector
// names the size it was found with.
TXRegionCheck CheckBackup(const TXVolumeReader& read) {
  TXRegionCheck best;
  for (uint32_t shift = kMinSectorShift; shift <= kMaxSectorShift; ++shift) {
    TXRegionCheck check = CheckRegion(read, int64_t{kRegionSectors} << shift);
    if (!check.Plausible || check.Boot.SectorShift() != shift) continue;
    if (check.ChecksumGood) return check;
    if (!best.Plausible) best = check;
  }
  return best;
}

TXExfatBootRegion Taken(const TXRegionCheck& check, TXExfatBootSource source, bool mainDamaged) {
  TXExfatBootRegion region;
  region.Boot = check.Boot;
  region.Source = source;
  region.MainDamaged = mainDamaged;
  region.ChecksumBad = !check.ChecksumGood;
  return region;
}

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
  return FatOffsetSectors() >= 2 * kRegionSectors && ClusterCount() > 0 &&
         fatEntries >= uint64_t{ClusterCount()} + 2 && HeapOffsetSectors() >= fatEnd &&
         HeapOffsetSectors() + ClusterCount() * clusterSectors <= VolumeSectors() &&
         IsDataCluster(RootCluster());
}

uint32_t ExfatBootChecksum(std::span<const uint8_t> region, uint32_t sectorBytes) {
  uint32_t sum = 0;
  const size_t end = std::min(region.size(), size_t{kChecksumSector} * sectorBytes);
  for (size_t i = 0; i < end; ++i) {
    if (i == 106 || i == 107 || i == 112) continue;
    sum = ((sum & 1) ? 0x80000000u : 0u) + (sum >> 1) + region[i];
  }
  return sum;
}

TXExfatBootRegion ReadExfatBootRegion(const TXVolumeReader& read) {
  const TXRegionCheck main = CheckRegion(read, 0);
  if (main.Plausible && main.ChecksumGood) return Taken(main, TXExfatBootSource::bsMain, false);
  const TXRegionCheck backup = CheckBackup(read);
  if (backup.Plausible && backup.ChecksumGood)
    return Taken(backup, TXExfatBootSource::bsBackup, true);
  if (main.Plausible) return Taken(main, TXExfatBootSource::bsMain, true);
  if (backup.Plausible) return Taken(backup, TXExfatBootSource::bsBackup, true);
  return {};
}

TXExfatBootRegion ReadExfatBootRegion(TXStream& volume) {
  return ReadExfatBootRegion([&volume](int64_t offset, void* bytes, int64_t count) {
    return SafeReadAt(volume, bytes, count, offset);
  });
}

TXExfatBootRegion ReadExfatBootRegion(IXBlockDevice& device) {
  return ReadExfatBootRegion([&device](int64_t offset, void* bytes, int64_t count) {
    int error = 0;
    return device.ReadAt(offset, bytes, count, error) == count;
  });
}

}  // namespace kova
