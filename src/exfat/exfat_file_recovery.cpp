#include "exfat/exfat_file_recovery.h"

#include <algorithm>

#include "exfat/exfat_tree.h"
#include "exfat/exfat_volume.h"
#include "recovery/blocks.h"
#include "recovery/entry_files.h"
#include "recovery/file_item.h"
#include "recovery/free_cluster_run.h"

namespace kova {

TXDRExfatFileRecovery::TXDRExfatFileRecovery(TXExfatVolume& volume, const TXDRVolumePlace& place,
                                             IXWorker& worker, IXDRFoundFileSink& sink)
    : volume_(volume), place_(place), worker_(worker), sink_(sink) {
  chain_.Resize(int64_t{volume.ClusterLimit()} + 2);
}

void TXDRExfatFileRecovery::AddClusters(const std::vector<uint32_t>& clusters, uint64_t length,
                                        TXBlocks& blocks) const {
  uint64_t remaining = length;
  for (uint32_t cluster : clusters) {
    const int64_t part =
        static_cast<int64_t>(std::min<uint64_t>(remaining, volume_.ClusterBytes()));
    blocks.Add(volume_.ClusterOffset(cluster), part);
    remaining -= static_cast<uint64_t>(part);
  }
}

void TXDRExfatFileRecovery::Describe(TXDRFileItem& item, const TXExfatFound& found) const {
  item.Name = found.Entry.Name;
  item.Ext = NameExtension(found.Entry.Name);
  item.Folder = found.Folder;
  item.Created = found.Entry.Created;
  item.Modified = found.Entry.Modified;
  item.Accessed = found.Entry.Accessed;
}

bool TXDRExfatFileRecovery::RunExtents(const TXExfatFileEntry& entry,
                                       const std::vector<uint32_t>& clusters, TXBlocks& blocks) {
  const bool whole = clusters.size() == volume_.ClustersFor(entry.DataLength);
  uint32_t next = 0;
  if (!whole && !clusters.empty())
    next = entry.NoFatChain ? clusters.back() + 1 : volume_.FatEntry(clusters.back());
  if (!whole && !volume_.IsPastTheEnd(next)) return false;
  AddClusters(clusters, entry.DataLength, blocks);
  // The rest lies past the end of the medium, where its clusters cannot be followed: it keeps
  // the file's length, and the restore saves the file up to the end.
  if (!whole)
    blocks.Add(volume_.ClusterOffset(next),
               static_cast<int64_t>(entry.DataLength) - blocks.TotalSize());
  return true;
}

bool TXDRExfatFileRecovery::LiveExtents(const TXExfatFound& found, TXBlocks& blocks) {
  const TXExfatFileEntry& entry = found.Entry;
  const std::vector<uint32_t> clusters =
      volume_.DataClusters(entry.FirstCluster, entry.DataLength, entry.NoFatChain, chain_);
  chain_.ClearMarked();
  return RunExtents(entry, clusters, blocks);
}

void TXDRExfatFileRecovery::OfferLive(TXExfatFound& found, TXBlocks& used) {
  found.Processed = true;
  if (found.Entry.DataLength == 0) return;
  auto notification = MakeNotification<TXDRFoundFileAspect>();
  TXDRFileItem& item = *notification->Aspect().Item;
  if (!LiveExtents(found, item.EditBlocks())) return;
  for (const TXBlock& block : item.Blocks()) {
    const int64_t whole =
        (block.Size + volume_.ClusterBytes() - 1) / volume_.ClusterBytes() * volume_.ClusterBytes();
    used.Add(block.Start, whole);
  }
  item.MarkEntry();
  Describe(item, found);
  MeasureLiveEntryFile(notification->Aspect(), volume_.Stream());
  OfferVolumeFile(place_, *notification, sink_);
}

bool TXDRExfatFileRecovery::DeletedExtents(const TXExfatFound& found, TXDRFileItem& item) {
  const TXExfatFileEntry& entry = found.Entry;
  const std::vector<uint32_t> clusters =
      volume_.DataClusters(entry.FirstCluster, entry.DataLength, entry.NoFatChain, chain_);
  chain_.ClearMarked();
  const bool free = std::none_of(clusters.begin(), clusters.end(),
                                 [this](uint32_t c) { return volume_.IsAllocated(c); });
  if (free && (entry.NoFatChain || volume_.IsWholeChain(clusters)) &&
      RunExtents(entry, clusters, item.EditBlocks()))
    return true;
  return FreeClustersAfterFirst(found, item);
}

bool TXDRExfatFileRecovery::FreeClustersAfterFirst(const TXExfatFound& found,
                                                   TXDRFileItem& item) const {
  const uint32_t first = found.Entry.FirstCluster;
  if (!volume_.IsDataCluster(first) || volume_.IsAllocated(first)) return false;
  return FollowFreeClusterRun(
      first, found.Entry.DataLength, volume_.ClusterBytes(),
      [this](uint32_t c) { return volume_.NextFreeCluster(c); },
      [this](uint32_t c) { return volume_.ClusterOffset(c); }, item);
}

void TXDRExfatFileRecovery::OfferDeleted(TXExfatFound& found, bool lostFolder) {
  found.Processed = true;
  if (found.Entry.DataLength == 0) return;
  auto notification = MakeNotification<TXDRFoundFileAspect>();
  TXDRFileItem& item = *notification->Aspect().Item;
  if (!DeletedExtents(found, item)) return;
  item.MarkDeletedEntry();
  if (lostFolder) item.Status.Include(drLostFolder);
  Describe(item, found);
  if (!MeasureDeletedEntryFile(notification->Aspect(), volume_.Stream(), worker_)) return;
  OfferVolumeFile(place_, *notification, sink_);
}

}  // namespace kova
