#include "boot_records.h"

#include <algorithm>

#include "mbr_records.h"

namespace kova::mkcard {

namespace {

void PutBiosParameterBlock(uint8_t* boot, const VolumeLayout& layout,
                           const VolumeOptions& options) {
  const bool fat32 = layout.type == FatType::kFat32;
  boot[0] = 0xEB;
  boot[1] = fat32 ? 0x58 : 0x3C;
  boot[2] = 0x90;
  PutField(boot + 3, options.oem, 8);
  PutLE(boot + 11, VolumeLayout::kSectorBytes, 2);
  boot[13] = static_cast<uint8_t>(layout.sectors_per_cluster);
  PutLE(boot + 14, layout.reserved_sectors, 2);
  boot[16] = static_cast<uint8_t>(layout.fat_count);
  PutLE(boot + 17, layout.root_entries, 2);
  const bool small = !fat32 && layout.volume_sectors < 0x10000;
  PutLE(boot + 19, small ? layout.volume_sectors : 0, 2);
  boot[21] = options.media;
  PutLE(boot + 22, fat32 ? 0 : layout.sectors_per_fat, 2);
  PutLE(boot + 24, kSectorsPerTrack, 2);
  PutLE(boot + 26, kHeads, 2);
  PutLE(boot + 28, layout.volume_offset / VolumeLayout::kSectorBytes, 4);  // hidden sectors
  PutLE(boot + 32, small ? 0 : layout.volume_sectors, 4);
}

// The extended block: drive number, signature 0x29, serial, label and type text.
void PutExtendedBlock(uint8_t* at, const VolumeLayout& layout, const VolumeOptions& options) {
  at[0] = layout.volume_offset != 0 ? 0x80 : 0x00;  // a fixed disk when partitioned
  at[2] = 0x29;
  PutLE(at + 3, options.serial, 4);
  PutField(at + 7, options.label.empty() ? "NO NAME" : options.label, 11);
  PutField(at + 18, options.type_text.value_or(FatTypeName(layout.type)), 8);
}

}  // namespace

Bytes BootSector(const VolumeLayout& layout, const VolumeOptions& options) {
  Bytes boot(VolumeLayout::kSectorBytes, 0);
  PutBiosParameterBlock(boot.data(), layout, options);
  size_t code_at = 62;
  if (layout.type == FatType::kFat32) {
    PutLE(boot.data() + 36, layout.sectors_per_fat, 4);
    PutLE(boot.data() + 44, 2, 4);  // root folder cluster
    PutLE(boot.data() + 48, 1, 2);  // FSInfo sector
    PutLE(boot.data() + 50, options.backup_boot_sector, 2);
    PutExtendedBlock(boot.data() + 64, layout, options);
    code_at = 90;
  } else {
    PutExtendedBlock(boot.data() + 36, layout, options);
  }
  std::copy(kNoSystemBootCode.begin(), kNoSystemBootCode.end(), boot.begin() + code_at);
  boot[510] = 0x55;
  boot[511] = 0xAA;
  return boot;
}

Bytes FsInfoSector(uint32_t free_clusters, uint32_t next_free_hint) {
  Bytes info(VolumeLayout::kSectorBytes, 0);
  PutLE(info.data(), 0x41615252, 4);
  PutLE(info.data() + 484, 0x61417272, 4);
  PutLE(info.data() + 488, free_clusters, 4);
  PutLE(info.data() + 492, next_free_hint, 4);
  PutLE(info.data() + 508, 0xAA550000, 4);
  return info;
}

}  // namespace kova::mkcard
