#pragma once

#include <cstdint>
#include <vector>

#include "recovery/cluster_marks.h"
#include "recovery/volume_recovery.h"

namespace kova {

class IXWorker;
class TXBlocks;
class TXDRFileItem;
class TXExfatVolume;
struct TXExfatFileEntry;
struct TXExfatFound;

// Turns the files the walk found into found files and offers them on the run's worker, as
// positions on the medium. Each file handled is marked processed, whether or not it is offered.
class TXDRExfatFileRecovery {
 public:
  TXDRExfatFileRecovery(TXExfatVolume& volume, const TXDRVolumePlace& place, IXWorker& worker,
                        IXDRFoundFileSink& sink);

  // A live file through its clusters: contiguous ones, or its FAT chain. Offered whatever its
  // content; data that leaves the heap or a chain that ends early or loops gives nothing. Its
  // clusters, the last one whole, go into `used` (volume positions).
  void OfferLive(TXExfatFound& found, TXBlocks& used);
  // A deleted file. exFAT keeps its name, size and first cluster: contiguous data comes back
  // whole while every cluster of it is free, and chained data follows its FAT chain while every
  // link is as written and every cluster free. Otherwise the file is taken to lie on its first
  // cluster, which must be free, and the free clusters after it. Not offered when the clusters
  // run out or when its data is wiped; one its format does not recognise is offered unverified
  // when its name is plausible (MeasureDeletedEntryFile). A file of a deleted folder is marked as
  // coming from a lost folder, as the FAT recovery finds such files.
  void OfferDeleted(TXExfatFound& found, bool lostFolder);

 private:
  // The extents of a run of the file's clusters that holds all of it, or that stops only where
  // the medium ends (the rest then follows as one extent past the end); false for any other run.
  bool RunExtents(const TXExfatFileEntry& entry, const std::vector<uint32_t>& clusters,
                  TXBlocks& blocks);
  bool LiveExtents(const TXExfatFound& found, TXBlocks& blocks);
  bool DeletedExtents(const TXExfatFound& found, TXDRFileItem& item);
  // Marks the item when clusters in use had to be passed over.
  bool FreeClustersAfterFirst(const TXExfatFound& found, TXDRFileItem& item) const;
  void AddClusters(const std::vector<uint32_t>& clusters, uint64_t length, TXBlocks& blocks) const;
  void Describe(TXDRFileItem& item, const TXExfatFound& found) const;

  TXExfatVolume& volume_;
  const TXDRVolumePlace& place_;
  IXWorker& worker_;
  IXDRFoundFileSink& sink_;
  TXClusterMarks chain_;
};

}  // namespace kova
