#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recovery/cluster_marks.h"
#include "storage/exfat_boot_region.h"

namespace kova {

class TXBlocks;
class TXStream;

// An exFAT volume read through its stream (position 0 is the volume's first byte): the boot
// region (the backup when the main one is damaged), the FAT, read a page at a time as chains are
// followed, and the allocation bitmap and label from the root folder. Clusters beyond the end of
// the stream are not part of the volume as far as the recovery goes, so that a damaged boot
// sector can never make it allocate more than the medium justifies.
class TXExfatVolume {
 public:
  // Reads the boot region, then the root folder's bitmap and label. False when neither boot
  // region is plausible or the root folder lies beyond the stream.
  bool Load(TXStream& stream);

  TXStream& Stream() const { return *stream_; }
  const TXExfatBootRegion& BootRegion() const { return region_; }
  const TXExfatBootSector& Boot() const { return region_.Boot; }
  int64_t ClusterBytes() const { return Boot().ClusterBytes(); }
  int64_t ClusterOffset(uint32_t cluster) const { return Boot().ClusterOffset(cluster); }
  // The clusters of the heap that lie inside the stream: 2 to ClusterLimit() + 1.
  uint32_t ClusterLimit() const { return clusters_; }
  bool IsDataCluster(uint32_t cluster) const { return cluster >= 2 && cluster - 2 < clusters_; }
  // A cluster of the heap the boot sector describes that lies past the end of the stream (an
  // image that stopped early).
  bool IsPastTheEnd(uint32_t cluster) const {
    return cluster >= 2 && cluster - 2 >= clusters_ && cluster - 2 < Boot().ClusterCount();
  }
  const std::string& Label() const { return label_; }

  // The FAT entry of a cluster; 0 outside the heap or where the FAT cannot be read.
  uint32_t FatEntry(uint32_t cluster);
  // Without a readable bitmap every cluster counts as allocated: nothing can then be taken for
  // free, and nothing of a live file is lost.
  bool HasBitmap() const { return !bitmap_.empty(); }
  bool IsAllocated(uint32_t cluster) const;
  // The smallest free cluster after `cluster`, or 0 when there is none.
  uint32_t NextFreeCluster(uint32_t cluster) const;
  int64_t FreeClusters() const;
  // Appends the allocated clusters of the heap, as volume extents in ascending order.
  void AddAllocated(TXBlocks& blocks) const;

  // The number of clusters that `length` bytes take.
  uint64_t ClustersFor(uint64_t length) const;
  // The clusters that hold `length` bytes from `first`: consecutive ones for contiguous data,
  // else the FAT chain. Stops early at a cluster outside the heap, the end of a chain, or a
  // cluster already marked (which every cluster taken becomes).
  std::vector<uint32_t> DataClusters(uint32_t first, uint64_t length, bool noFatChain,
                                     TXClusterMarks& marks);
  // Whether `clusters` is the whole FAT chain of `first`: every link as listed, the last one the
  // end of the chain.
  bool IsWholeChain(const std::vector<uint32_t>& clusters);

 private:
  static constexpr uint32_t kFatPageEntries = 16384;

  void ReadRootFacts();
  bool LoadBitmap(uint32_t first, uint64_t length);
  // The first bit from `from` on that is set (allocated) or clear, else ClusterLimit().
  uint64_t NextBit(uint64_t from, bool allocated) const;

  TXStream* stream_ = nullptr;
  TXExfatBootRegion region_;
  uint32_t clusters_ = 0;
  std::string label_;
  std::vector<uint64_t> bitmap_;  // bit n: cluster n + 2 allocated
  std::vector<uint32_t> fatPage_;
  int64_t fatPageFirst_ = -1;
};

}  // namespace kova
