#pragma once

#include "byte_order.h"
#include "volume_layout.h"

namespace kova::mkcard {

// The volume's boot sector (BIOS parameter block, serial, label, type text, signature).
Bytes BootSector(const VolumeLayout& layout, const VolumeOptions& options);

// The FAT32 FSInfo sector with the free-cluster count and the allocation hint.
Bytes FsInfoSector(uint32_t free_clusters, uint32_t next_free_hint);

// A master boot record with one partition that covers the volume.
Bytes MasterBootRecord(const VolumeLayout& layout, const VolumeOptions& options);

// Conventional disk geometry for the CHS fields.
inline constexpr uint32_t kSectorsPerTrack = 63;
inline constexpr uint32_t kHeads = 255;

}  // namespace kova::mkcard
