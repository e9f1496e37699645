#pragma once

#include "ondisk/fat_boot_sector.h"
#include "storage/volume_reader.h"

namespace kova {

// A FAT volume's boot sector as every reader of the volume takes it (the run's recovery, the
// drive information, kova-cli info).
struct TXFatBootRead {
  TXBootSector Boot;  // zeros when nothing plausible was found
  // The boot sector at sector 0 is not plausible and the FAT32 backup was taken.
  bool FromBackup = false;

  // A plausible boot sector of a known type.
  bool IsFat() const { return Boot.IsPlausible() && Boot.Type() != TXFatType::ftUnknown; }
};

// The boot sector at offset 0 (unreadable bytes count as zeros), or, when it is not plausible,
// the backup of a FAT32 boot sector: at the sector the damaged one still names, else at sector 6,
// where formatters put it, in every usual sector size. A backup counts only when it is a
// plausible FAT32 boot sector of the sector size it was found with.
TXFatBootRead ReadFatBoot(const TXVolumeReader& read);

}  // namespace kova
