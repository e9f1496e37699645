#include "fat/boot_region.h"

#include <bit>
#include <vector>

#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr uint32_t kUsualBackupSector = 6;

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
  uint32_t named = damaged.BackupBootSector();
  uint32_t namedSize = damaged.BytesPerSector();
  bool usable = named > 0 && named < 32 && namedSize >= 512 && namedSize <= 4096 &&
                std::has_single_bit(namedSize);
  if (usable && IsBackupAt(volume, named, namedSize, backup)) return true;
  for (uint32_t size : {512u, 1024u, 2048u, 4096u}) {
    if (IsBackupAt(volume, kUsualBackupSector, size, backup)) return true;
  }
  return false;
}

}  // namespace kova
