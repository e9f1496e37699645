#include "storage/volume_system.h"

#include <algorithm>
#include <bit>

#include "framework/stream.h"
#include "ondisk/fat_boot_sector.h"
#include "storage/exfat_boot_region.h"
#include "storage/partition_tables.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

// A medium that starts with a volume (FAT, exFAT, NTFS) rather than a table: a card formatted
// without partitions. exFAT counts when its main or its backup boot region is plausible.
bool StartsWithVolume(TXStream& medium, std::span<const uint8_t> first) {
  std::string_view oem(reinterpret_cast<const char*>(first.data() + 3), 8);
  if (oem == "NTFS    " || TXBootSector(first).IsPlausible()) return true;
  return ReadExfatBootRegion(StreamReader(medium)).Source != TXExfatBootSource::bsNone;
}

}  // namespace

std::string PartitionSchemeName(TXPartitionScheme scheme) {
  switch (scheme) {
    case TXPartitionScheme::psMbr:
      return "MBR";
    case TXPartitionScheme::psGpt:
      return "GPT";
    default:
      return {};
  }
}

std::vector<TXVolumeExtent> TXVolumeSystem::Volumes(int64_t mediumSize) const {
  std::vector<TXVolumeExtent> volumes;
  if (Scheme == TXPartitionScheme::psNone) {
    volumes.push_back({1, 0, mediumSize});
    return volumes;
  }
  for (const TXPartitionEntry& entry : Partitions) {
    if (!IsExtendedType(entry.MbrType))
      volumes.push_back({entry.Number, entry.Start, entry.Size, entry.Missing});
  }
  return volumes;
}

TXVolumeSystem ReadVolumeSystem(TXStream& medium, uint32_t sectorSize) {
  TXVolumeSystem system;
  bool usual = sectorSize >= 512 && sectorSize <= 4096 && std::has_single_bit(sectorSize);
  system.SectorSize = usual ? sectorSize : 512;
  std::vector<uint8_t> first(512, 0);
  if (!SafeReadAt(medium, first.data(), 512, 0) || StartsWithVolume(medium, first)) return system;
  TXMbrSector mbr(first);
  if (!mbr.HasSignature()) return system;
  if (mbr.IsProtective() || !mbr.IsSound()) {
    // A GPT, where sectors may be 4096 bytes on an image of a disk with large sectors.
    for (uint32_t size : {system.SectorSize, 512u, 4096u}) {
      if (ReadGpt(medium, size, system)) return system;
    }
    if (mbr.IsProtective()) {
      system.Problems.push_back({TXTableProblemKind::tpGptDamaged, 0});
      return system;
    }
  }
  if (mbr.IsSound()) ReadMbr(medium, mbr, system);
  return system;
}

}  // namespace kova
