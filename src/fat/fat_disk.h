#pragma once

#include <cstdint>

#include "fat/dir_cluster.h"
#include "fat/fat_table.h"
#include "recovery/blocks.h"
#include "recovery/cluster_marks.h"
#include "recovery/volume_recovery.h"
#include "storage/fat_volume_facts.h"

namespace kova {

class IXWorker;
class TXStream;

// What the card's FAT file system still knows, turned into found files: every live file through
// its cluster chain, every deleted file whose first cluster is still free through the free
// clusters that follow it, and the files listed in directory clusters that no live folder points
// to any more (lost folders). Files are offered as TXDRFoundFileAspect notifications into the
// sink the run passes in; the extents of live files are kept for the run's used space. FAT12, FAT16
// and FAT32 volumes are handled. Every walk is bounded: no directory cluster is read twice and no
// cluster chain is followed round a loop.
class TXDRFATDisk final : public TXDRVolumeRecovery {
 public:
  // Forgets the volume, the directory clusters and what was read.
  void Reset();
  // Reads the boot sector of the volume (unreadable bytes count as zeros) and, for a FAT12,
  // FAT16 or FAT32 volume, its table. A damaged FAT32 boot sector is replaced by its backup (at the
  // sector the boot sector names, else 6). A volume reported with another file system is not read.
  bool Open(const TXDRVolumePlace& place) override;
  TXDRFileSystemFacts Facts() const override;

  // Walks the directory tree from the root, then offers the live files and the deleted ones.
  // Progress: 10 per cent for the walk, 90 for the files, in the current section.
  void RecoverFromDirectories(IXWorker& worker, IXDRFoundFileSink& sink) override;
  // Looks for lost directory clusters among the free ones (50 per cent of the current section),
  // then offers every file they list that was not offered before (the other 50).
  void RecoverLostFolders(IXWorker& worker, IXDRFoundFileSink& sink) override;
  void AddUsedExtents(TXBlocks& used) const override;

  bool FileSystemValid() const { return valid_; }
  const TXDRVolumePlace& Place() const { return place_; }
  // The volume's bytes.
  TXStream& Medium() const { return *place_.Stream; }
  TXFAT& FAT() { return fat_; }
  const TXFAT& FAT() const { return fat_; }
  TXDRDirClusterList& DirClusters() { return dirClusters_; }
  const TXDRDirClusterList& DirClusters() const { return dirClusters_; }
  // The directory clusters read since Open (1 stands for the FAT16 root folder).
  TXClusterMarks& ReadDirClusters() { return readDirClusters_; }
  // The extents of the live files offered, in the volume's stream.
  TXBlocks& UsedBlocks() { return usedBlocks_; }

 private:
  bool ReadBootSector();

  TXDRVolumePlace place_;
  TXFAT fat_;
  TXDRDirClusterList dirClusters_;
  TXClusterMarks readDirClusters_;
  TXBlocks usedBlocks_;
  bool valid_ = false;
  bool fromBackup_ = false;
  TXFatVolumeFacts volumeFacts_;  // worked out when the volume is opened
};

}  // namespace kova
