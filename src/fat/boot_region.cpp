#include "fat/boot_region.h"

#include <vector>

#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr uint32_t kUsualBackupSector = 6;
constexpr uint32_t kMostReservedSectorsSearched = 32;

bool IsBackupAt(TXStream& volume, uint32_t sector, uint32_t sectorSize, TXBootSector& backup) {
  if (!SafeReadAt(volume, backup.Bytes().data(), TXBootSector::kSize,
                  int64_t{sector} * sectorSize)) {
    return false;
  }
  return backup.IsPlausible() && backup.Type() == TXFatType::ftFat32 &&
         backup.BytesPerSector() == sectorSize;
}

}  // namespace

bool FindBackupBootSector(TXStream& volume, const TXBootSector& damaged, TXBootSector& backup) {
  // The damage often takes the sector size with it, so each place is tried with every usual size;
  // a backup counts only when it claims the size it was read with.
  for (uint32_t sector : {damaged.BackupBootSector(), kUsualBackupSector}) {
    if (sector == 0 || sector >= kMostReservedSectorsSearched) continue;
    for (uint32_t size : {512u, 1024u, 2048u, 4096u}) {
      if (IsBackupAt(volume, sector, size, backup)) return true;
    }
  }
  return false;
}

}  // namespace kova
