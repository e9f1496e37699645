#pragma once

#include <string>

#include "fat/fat_disk.h"
#include "recovery/cluster_marks.h"

namespace kova {

class IXWorker;
class TXBlocks;
class TXDRFileItem;
class TXFileSystemEntry;

// Turns directory entries of a loaded volume into found files and offers them on the run's
// worker. Each entry handled gets efProcessed, whether or not a file is offered for it.
class TXDRFATFileRecovery {
 public:
  TXDRFATFileRecovery(TXDRFATDisk& disk, IXWorker& worker, IXDRFoundFileSink& sink);

  // A live file through its cluster chain. Offered whether or not its content validates; a
  // chain that ends early, leaves the data area or loops gives nothing. The file's clusters,
  // the slack of the last one included, are added to the used space.
  void BuildChainItem(TXFileSystemEntry& entry, const std::string& folder, TXBlocks& usedBlocks);
  // A deleted (or lost) file, taken to lie on its first cluster, which must still be free, and
  // the free clusters after it. Not offered when the free clusters run out or when its first
  // bytes are all 0x00 or all 0xFF; one its scan format does not recognise is offered unverified
  // when its name is plausible (MeasureDeletedEntryFile).
  void RecoverDeletedItem(TXFileSystemEntry& entry, const std::string& folder);
  // The same for an entry of a lost folder, live or deleted there: the file is marked as found
  // in a lost folder.
  void RecoverLostFolderItem(TXFileSystemEntry& entry, const std::string& folder);

 private:
  void RecoverFromFreeClusters(TXFileSystemEntry& entry, const std::string& folder,
                               bool lostFolder);
  bool FollowChain(const TXFileSystemEntry& entry, TXBlocks& blocks, uint32_t& last);
  // Sets the item's extents, and ClustersReused when clusters in use were passed over.
  bool FollowFreeClusters(const TXFileSystemEntry& entry, TXDRFileItem& item) const;
  void Describe(TXDRFileItem& item, const TXFileSystemEntry& entry,
                const std::string& folder) const;

  TXDRFATDisk& disk_;
  TXFAT& fat_;
  IXWorker& worker_;
  IXDRFoundFileSink& sink_;
  TXClusterMarks chain_;
};

}  // namespace kova
