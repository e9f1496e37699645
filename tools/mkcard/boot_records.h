#pragma once

#include "byte_order.h"
#include "volume_layout.h"

namespace kova::mkcard {

// The volume's boot sector (BIOS parameter block, serial, label, type text, signature).
Bytes BootSector(const VolumeLayout& layout, const VolumeOptions& options);

// The FAT32 FSInfo sector with the free-cluster count and the allocation hint.
Bytes FsInfoSector(uint32_t free_clusters, uint32_t next_free_hint);

}  // namespace kova::mkcard
