#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "status.h"

namespace kova::mkcard {

enum class FatType { kFat12, kFat16, kFat32 };

// "FAT12", "FAT16" or "FAT32".
const char* FatTypeName(FatType type);

// What the card looks like before anything is written on it.
struct VolumeOptions {
  FatType type = FatType::kFat16;
  // When the volume makes its own card (no card was made first): the whole image, partition
  // table included, and where the one partition starts (0: no partition table).
  uint64_t card_bytes = 16 << 20;
  uint32_t partition_lba = 0;
  uint8_t partition_type = 0;  // 0: the usual type for the FAT type
  // The volume's size; 0: all the room it is given (the partition, or the card from
  // partition_lba on).
  uint64_t volume_bytes = 0;
  uint32_t sectors_per_cluster = 4;
  uint32_t reserved_sectors = 0;  // 0: 1 for FAT12/FAT16, 32 for FAT32
  uint32_t fat_count = 2;
  uint32_t root_entries = 0;  // 0: 512 (FAT16) or 224 (FAT12); always 0 for FAT32
  std::string label = "NO NAME";
  uint32_t serial = 0x4B4F5641;
  std::string oem = "MSWIN4.1";
  uint8_t media = 0xF8;
  uint16_t code_page = 437;  // the OEM code page of the short names
  // FAT32: where the copies of the boot sector and (one sector on) of FSInfo go, as the boot
  // sector names it.
  uint32_t backup_boot_sector = 6;
  // The boot sector's file-system type text; empty: "FAT12", "FAT16" or "FAT32". Some cameras
  // write "FAT" or blanks.
  std::optional<std::string> type_text;
  // When false, a cluster count that does not belong to the FAT type is accepted (the type text
  // still names the requested type), for volumes that are damaged or made by odd formatters.
  bool strict_cluster_count = true;
};

// Where everything lies on the image; offsets count from the start of the image.
struct VolumeLayout {
  static constexpr uint32_t kSectorBytes = 512;

  FatType type = FatType::kFat16;
  uint64_t volume_offset = 0;
  uint32_t volume_sectors = 0;
  uint32_t sectors_per_cluster = 1;
  uint32_t reserved_sectors = 1;
  uint32_t fat_count = 2;
  uint32_t root_entries = 0;
  uint32_t sectors_per_fat = 0;
  uint32_t cluster_count = 0;  // data clusters, numbered 2 .. cluster_count + 1

  uint32_t ClusterBytes() const { return sectors_per_cluster * kSectorBytes; }
  uint32_t RootDirSectors() const { return (root_entries * 32 + kSectorBytes - 1) / kSectorBytes; }
  uint64_t FatOffset(uint32_t copy) const {
    return volume_offset + uint64_t{reserved_sectors + copy * sectors_per_fat} * kSectorBytes;
  }
  uint64_t RootDirOffset() const { return FatOffset(fat_count); }
  uint64_t DataOffset() const {
    return RootDirOffset() + uint64_t{RootDirSectors()} * kSectorBytes;
  }
  uint64_t ClusterOffset(uint32_t cluster) const {
    return DataOffset() + uint64_t{cluster - 2} * ClusterBytes();
  }
  uint32_t LastCluster() const { return cluster_count + 1; }
  bool IsDataCluster(uint32_t cluster) const { return cluster >= 2 && cluster <= LastCluster(); }
  uint64_t DataEnd() const { return ClusterOffset(LastCluster() + 1); }
};

// Checks the options and works out the layout (the size of the allocation tables first) of a
// volume at `volume_offset` on the card with `room_bytes` to fill.
Status ComputeLayout(const VolumeOptions& options, uint64_t volume_offset, uint64_t room_bytes,
                     VolumeLayout* layout);

}  // namespace kova::mkcard
