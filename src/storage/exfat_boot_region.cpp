#include "storage/exfat_boot_region.h"

#include <vector>

namespace kova {

namespace {

constexpr uint32_t kMinSectorShift = 9;
constexpr uint32_t kMaxSectorShift = 12;

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
  std::vector<uint8_t> region(size_t{kExfatRegionSectors} * sector);
  if (!read(offset, region.data(), static_cast<int64_t>(region.size()))) return check;
  const uint32_t sum = ExfatBootChecksum(region, sector);
  check.ChecksumGood = true;
  for (size_t at = size_t{kExfatChecksumSector} * sector; at < region.size(); at += 4) {
    check.ChecksumGood = check.ChecksumGood && LeU32(region, at) == sum;
  }
  return check;
}

// The backup region sits at sector 12 in the volume's own sector size, which a damaged main
// region no longer tells: every size is tried, and a backup counts only when its boot sector
// names the size it was found with.
TXRegionCheck CheckBackup(const TXVolumeReader& read) {
  TXRegionCheck best;
  for (uint32_t shift = kMinSectorShift; shift <= kMaxSectorShift; ++shift) {
    TXRegionCheck check = CheckRegion(read, int64_t{kExfatRegionSectors} << shift);
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

}  // namespace kova
