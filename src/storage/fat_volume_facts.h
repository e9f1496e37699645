#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "storage/boot_sector.h"
#include "storage/fat_entries.h"

namespace kova {

// What a FAT volume tells of itself, worked out the same way for the recovery (kova-cli info,
// the run) and the drive information, so that they cannot disagree.
struct TXFatVolumeFacts {
  TXFatType Type = TXFatType::ftUnknown;
  std::string Label;
  uint32_t Serial = 0;
  uint32_t SectorSize = 0;
  uint32_t SectorsPerCluster = 0;
  uint32_t ClusterSize = 0;
  int64_t TotalClusters = 0;
  // Counted in the allocation table, the one count that is always current: drivers leave the
  // FAT32 information sector's count stale (fsck.fat reports and mends it). -1 when unknown.
  int64_t FreeClusters = -1;
  bool FromBackupBoot = false;
};

// The facts of the volume whose boot sector and table were read. The label is the root
// folder's volume-label entry, as Windows, blkid and cameras show it (a label changed later, by
// mlabel or a camera, changes only that entry), else the boot sector's; labels are decoded with
// the OEM code page. An empty table (one that does not fit) leaves the free count unknown and
// a FAT32 root folder unread.
TXFatVolumeFacts DescribeFatVolume(const TXVolumeReader& read, const TXFatBootRead& boot,
                                   const TXFatEntries& table, uint16_t codePage);
// The same facts without the table, as opening a drive needs them: the free count is unknown
// (CountFatFreeClusters tells it where it is shown), and a FAT32 root folder's chain is followed
// entry by entry, so that only the few sectors of the table that hold it are read.
TXFatVolumeFacts DescribeFatVolume(const TXVolumeReader& read, const TXFatBootRead& boot,
                                   int64_t volumeBytes, uint16_t codePage);

// The free clusters of the volume counted in its allocation table; for a table too large to be
// counted (more than TXFatEntries::kMaxEntries entries) the FAT32 information sector's count
// when it is sound. -1 when neither tells.
int64_t CountFatFreeClusters(const TXVolumeReader& read, const TXBootSector& boot,
                             int64_t volumeBytes);

// The next cluster of a chain, 0 where it ends or cannot be told.
using TXNextCluster = std::function<uint32_t(uint32_t cluster)>;

// The label of the root folder's volume-label entry, "" when there is none. The root folder is
// read up to its end entry: FAT12 and FAT16 in its own area, FAT32 along its chain (at most
// kMostRootClusters clusters).
std::string ReadRootFolderLabel(const TXVolumeReader& read, const TXBootSector& boot,
                                const TXNextCluster& next, uint16_t codePage);

// "FAT" for FAT12 and FAT16, "FAT32", as the volume information names them.
std::string FatFileSystemName(TXFatType type);

}  // namespace kova
