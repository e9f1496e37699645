#include "storage/boot_sector.h"

namespace kova {

namespace {

constexpr uint32_t kUsualBackupSector = 6;
constexpr uint32_t kMostReservedSectorsSearched = 32;

bool IsBackupAt(const TXVolumeReader& read, uint32_t sector, uint32_t sectorSize,
                TXBootSector& backup) {
  if (!read(int64_t{sector} * sectorSize, backup.Bytes().data(), TXBootSector::kSize)) return false;
  return backup.IsPlausible() && backup.Type() == TXFatType::ftFat32 &&
         backup.BytesPerSector() == sectorSize;
}

// The damage often takes the sector size with it, so each place is tried with every usual size.
bool FindBackup(const TXVolumeReader& read, const TXBootSector& damaged, TXBootSector& backup) {
  for (uint32_t sector : {damaged.BackupBootSector(), kUsualBackupSector}) {
    if (sector == 0 || sector >= kMostReservedSectorsSearched) continue;
    for (uint32_t size : {512u, 1024u, 2048u, 4096u}) {
      if (IsBackupAt(read, sector, size, backup)) return true;
    }
  }
  return false;
}

}  // namespace

TXFatBootRead ReadFatBoot(const TXVolumeReader& read) {
  TXFatBootRead result;
  if (!read(0, result.Boot.Bytes().data(), TXBootSector::kSize)) result.Boot.Clear();
  TXBootSector backup;
  if (!result.Boot.IsPlausible() && FindBackup(read, result.Boot, backup)) {
    result.Boot = backup;
    result.FromBackup = true;
  }
  return result;
}

}  // namespace kova
