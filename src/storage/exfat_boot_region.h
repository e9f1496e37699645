#pragma once

#include <cstdint>

#include "ondisk/exfat_boot_sector.h"
#include "storage/volume_reader.h"

namespace kova {

// Which boot region of a volume was taken.
enum class TXExfatBootSource : uint8_t { bsNone, bsMain, bsBackup };

struct TXExfatBootRegion {
  TXExfatBootSector Boot;
  TXExfatBootSource Source = TXExfatBootSource::bsNone;
  // The main region's boot sector is implausible or its checksum sector disagrees with it.
  bool MainDamaged = false;
  // The region taken disagrees with its checksum sector (taken because nothing better was left).
  bool ChecksumBad = false;
};

// Takes the main boot region (sectors 0 to 11) when its boot sector is plausible and its
// checksum sector agrees, else the backup (sectors 12 to 23) on the same terms, else whichever
// of the two is at least plausible. bsNone when neither is.
TXExfatBootRegion ReadExfatBootRegion(const TXVolumeReader& read);

}  // namespace kova
