#pragma once

#include <cstdint>
#include <memory>

#include "exfat/exfat_tree.h"
#include "exfat/exfat_volume.h"
#include "recovery/blocks.h"
#include "recovery/volume_recovery.h"

namespace kova {

// What an exFAT volume still knows, turned into found files: the live files of the live
// folders through their clusters, the deleted files whose data can still be told apart (exFAT
// keeps their names, sizes and first clusters), and then the files of deleted folders whose
// clusters are still free and of the directories a format left in free clusters. Files carry their
// folder path and their entries' dates. The free space the deep scan searches first is what the
// allocation bitmap marks free.
class TXDRExfatRecovery final : public TXDRVolumeRecovery {
 public:
  // Reads the boot region (the backup when the main one is damaged), the root folder's label
  // and bitmap. A volume reported as another file system is not read.
  bool Open(const TXDRVolumePlace& place) override;
  TXDRFileSystemFacts Facts() const override;
  // Walks the live folders (10 per cent), then offers their live files and their deleted files
  // (90 per cent).
  void RecoverFromDirectories(IXWorker& worker, IXDRFoundFileSink& sink) override;
  // Reads the deleted folders (10 per cent) and the directories left in free clusters (40 per
  // cent), then offers the files they list (50 per cent), all as files of lost folders.
  void RecoverLostFolders(IXWorker& worker, IXDRFoundFileSink& sink) override;
  // The clusters the bitmap marks allocated and those of every live file, on the medium.
  void AddUsedExtents(TXBlocks& used) const override;

  const TXExfatVolume& Volume() const { return volume_; }
  // The files and folders read so far; their sets with a wrong checksum are counted here.
  const TXExfatTree& Tree() const { return *tree_; }

 private:
  template <class Offer>
  void OfferFound(size_t first, IXWorker& worker, Offer offer);

  TXDRVolumePlace place_;
  TXExfatVolume volume_;
  std::unique_ptr<TXExfatTree> tree_;
  TXBlocks used_;  // volume positions of the live files, whole clusters
};

}  // namespace kova
