#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fat/fat_disk.h"

namespace kova {

class IXWorker;

// Reads the directory clusters of a loaded volume for one run: the tree from the root, depth
// first in on-disk order, and the lost directory clusters among the free ones. Each directory
// cluster read becomes an object of the disk's list. Cancellation and shutdown are checked
// before every cluster.
class TXDRFATWalk {
 public:
  TXDRFATWalk(TXDRFATDisk& disk, IXWorker& worker);

  bool Stopped() const;
  // Reads `sectors` 512-byte sectors from `offset` as the directory cluster `cluster` up to its
  // first end or invalid entry, keeping its file and folder entries. A cluster that continues a
  // folder's chain takes the folder and the pending long-name entries of the one before it.
  // Answers the new object's index, or -1 for cluster 0, a cluster read before, or a stopped run.
  int32_t ReadDirCluster(uint32_t sectors, uint32_t cluster, int64_t offset,
                         const TXDRDirClusterObject* previous);
  // Walks a folder's chain and, depth first, every live subfolder; cluster 0 is the root folder.
  void WalkDirectory(uint32_t cluster, const std::string& folder);
  // Walks, depth first, every live subfolder listed in the object `index` (nothing for -1).
  void WalkSubfolders(int32_t index);
  // The whole tree from the root, the list sorted by cluster afterwards.
  void WalkFromRoot();
  // Marks every free cluster that holds nothing but valid directory entries clAvailableFolder
  // and reads it; the progress of the current section follows the cluster number.
  void FindLostFolders();
  // Gives each lost directory cluster its folder: below the folder whose entry (mostly a deleted
  // one) still points at it, the folder of the lost cluster just before it when it opens no
  // folder itself, else a folder "LOST" and its cluster number in eight digits.
  void NameLostFolders();

 private:
  struct Visit {
    int32_t index;  // the object read, -1 when the read was refused
    size_t entry;   // the next entry to look at for subfolders
    uint32_t next;  // the next cluster of the folder's chain
  };

  // Reads a cluster of the folder `folder`, or, for `previous` >= 0, the next cluster of the
  // chain of the object `previous`.
  Visit VisitCluster(uint32_t cluster, const std::string& folder, int32_t previous);
  // Works through the pending visits: subfolders first, then the rest of each folder's chain.
  // An explicit stack rather than recursion, so that deeply nested folders cannot exhaust the
  // thread's stack.
  void Walk(std::vector<Visit> pending);
  // The visit's next live subfolder, nullptr when there is none left.
  const TXFileSystemEntry* NextSubfolder(Visit& visit);
  bool IsLostDirectory(uint32_t cluster, bool& readFailed);
  uint32_t ClusterSectors() const;

  TXDRFATDisk& disk_;
  TXFAT& fat_;
  IXWorker& worker_;
  uint32_t dirSectors_ = 0;
};

}  // namespace kova
