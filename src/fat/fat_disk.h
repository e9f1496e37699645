#pragma once

#include <cstdint>

#include "recovery/cluster_marks.h"
#include "fat/dir_cluster.h"
#include "fat/fat_table.h"

namespace kova {

class IXWorker;
class TXBlocks;
class TXCustomDiskIO;
class TXStream;

// What the card's FAT file system still knows, turned into found files: every live file through
// its cluster chain, every deleted file whose first cluster is still free through the free
// clusters that follow it, and the files listed in directory clusters that no live folder points
// to any more (lost folders). Files are offered as TXDRFoundFileAspect notifications dispatched
// on the run's worker; the extents of live files go into the run's used space. Only FAT16 and
// FAT32 volumes are handled. Every walk is bounded: no directory cluster is read twice and no
// cluster chain is followed round a loop.
class TXDRFATDisk {
 public:
  // Forgets the volume, the directory clusters and what was read.
  void Reset();
  // Reads the boot sector of the input's medium (unreadable bytes count as zeros) and, for a
  // FAT16 or FAT32 volume, its table. Without disk information the input learns its sector and
  // cluster size from the boot sector. A medium reported with another file system is not read.
  bool Load(TXCustomDiskIO& input);

  // Walks the directory tree from the root, then offers the live files and the deleted ones.
  // Progress: 10 per cent for the walk, 90 for the files, in the current section.
  void RecoverFromDirectories(TXBlocks& usedBlocks, IXWorker& worker);
  // Looks for lost directory clusters among the free ones (50 per cent of the current section),
  // then offers every file they list that was not offered before (the other 50).
  void RecoverLostFolders(IXWorker& worker);

  bool FileSystemValid() const { return valid_; }
  TXCustomDiskIO* Input() const { return input_; }
  TXStream& Medium() const;
  TXFAT& FAT() { return fat_; }
  const TXFAT& FAT() const { return fat_; }
  TXDRDirClusterList& DirClusters() { return dirClusters_; }
  const TXDRDirClusterList& DirClusters() const { return dirClusters_; }
  // The directory clusters read since Load (1 stands for the FAT16 root folder).
  TXClusterMarks& ReadDirClusters() { return readDirClusters_; }

 private:
  TXCustomDiskIO* input_ = nullptr;
  TXFAT fat_;
  TXDRDirClusterList dirClusters_;
  TXClusterMarks readDirClusters_;
  bool valid_ = false;
};

}  // namespace kova
