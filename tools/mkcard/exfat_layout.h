#pragma once

#include <cstdint>
#include <string>

#include "status.h"

namespace kova::mkcard {

// What an exFAT volume looks like before anything is written on it.
struct ExfatOptions {
  // A card of its own for the volume when no card was made first: its size, and the first
  // sector of the volume's MBR partition (0: no partition table).
  uint64_t card_bytes = 64 << 20;
  uint32_t partition_lba = 0;
  uint8_t partition_type = 0;     // 0: 0x07, as exFAT partitions are marked
  uint64_t volume_bytes = 0;      // 0: the whole space the card gives the volume
  uint32_t cluster_bytes = 4096;  // a power of two from 512 bytes to 32 MiB
  uint32_t fat_count = 1;         // 2 only for transaction-safe volumes
  std::string label;              // up to 11 characters; empty: no label entry
  uint32_t serial = 0x4B4F5641;
};

// Where everything of an exFAT volume lies. Sector counts are of 512-byte sectors from the start
// of the volume; offsets count from the start of the image.
struct ExfatLayout {
  static constexpr uint32_t kSectorBytes = 512;
  static constexpr uint32_t kBootRegionSectors = 12;  // main region; the backup follows

  uint64_t volume_offset = 0;
  uint64_t volume_sectors = 0;
  uint32_t cluster_shift = 3;  // sectors per cluster as a power of two
  uint32_t fat_offset = 0;     // sectors
  uint32_t fat_length = 0;     // sectors per FAT
  uint32_t fat_count = 1;
  uint32_t heap_offset = 0;    // sectors; cluster 2 starts here
  uint32_t cluster_count = 0;  // clusters 2 .. cluster_count + 1
  // The system structures, in this order from cluster 2: allocation bitmap, up-case table, root.
  uint32_t bitmap_cluster = 2;
  uint32_t bitmap_clusters = 0;
  uint32_t upcase_cluster = 0;
  uint32_t upcase_clusters = 0;
  uint32_t root_cluster = 0;

  uint32_t ClusterBytes() const { return kSectorBytes << cluster_shift; }
  uint64_t SectorOffset(uint64_t sector) const { return volume_offset + sector * kSectorBytes; }
  uint64_t FatOffset(uint32_t copy) const {
    return SectorOffset(fat_offset + uint64_t{copy} * fat_length);
  }
  uint64_t HeapOffset() const { return SectorOffset(heap_offset); }
  uint64_t ClusterOffset(uint32_t cluster) const {
    return HeapOffset() + uint64_t{cluster - 2} * ClusterBytes();
  }
  uint32_t LastCluster() const { return cluster_count + 1; }
  bool IsDataCluster(uint32_t cluster) const { return cluster >= 2 && cluster <= LastCluster(); }
  uint64_t BitmapBytes() const { return (uint64_t{cluster_count} + 7) / 8; }
};

// Checks the options and works out the layout of a volume at `offset` on the card with room for
// `room` bytes: the FAT after the two boot regions, the cluster heap aligned to a cluster, then
// the bitmap, the up-case table of `upcase_bytes` and the root.
Status ComputeExfatLayout(const ExfatOptions& options, uint64_t offset, uint64_t room,
                          uint64_t upcase_bytes, ExfatLayout* layout);

}  // namespace kova::mkcard
