#include "fat/fat_file_recovery.h"

#include <algorithm>

#include "fat/file_system_entry.h"
#include "framework/notification.h"
#include "framework/worker.h"
#include "recovery/blocks.h"
#include "recovery/entry_files.h"
#include "recovery/free_cluster_run.h"
#include "recovery/recovery_aspects.h"

namespace kova {

namespace {

using TXFoundFileRef = TXRef<TXNotification<TXDRFoundFileAspect>>;

}  // namespace

TXDRFATFileRecovery::TXDRFATFileRecovery(TXDRFATDisk& disk, IXWorker& worker,
                                         IXDRFoundFileSink& sink)
    : disk_(disk), fat_(disk.FAT()), worker_(worker), sink_(sink) {
  chain_.Resize(fat_.ClusterCount());
}

void TXDRFATFileRecovery::Describe(TXDRFileItem& item, const TXFileSystemEntry& entry,
                                   const std::string& folder) const {
  item.Ext = EntryExtension(entry.Name);
  item.Folder = folder;
  item.Name = entry.Name;
  item.FirstLetterLost = entry.Has(efFirstLetterLost);
  item.Created = entry.Created;
  item.Modified = entry.Modified;
  item.Accessed = entry.Accessed;
}

bool TXDRFATFileRecovery::FollowChain(const TXFileSystemEntry& entry, TXBlocks& blocks,
                                      uint32_t& last) {
  const TXBootSector& boot = fat_.BootSector();
  int64_t remaining = entry.Size;
  for (uint32_t c = entry.FirstCluster; c != 0 && remaining > 0; c = fat_.NextCluster(c)) {
    if (!fat_.IsDataCluster(c) || !chain_.Mark(c)) break;
    blocks.Add(boot.ClusterOffset(c), std::min(boot.ClusterBytes(), remaining));
    remaining -= boot.ClusterBytes();
    last = c;
  }
  chain_.ClearMarked();
  return remaining <= 0;
}

void TXDRFATFileRecovery::BuildChainItem(TXFileSystemEntry& entry, const std::string& folder,
                                         TXBlocks& usedBlocks) {
  TXFoundFileRef notification = MakeNotification<TXDRFoundFileAspect>();
  TXDRFileItem& item = *notification->Aspect().Item;
  entry.Set(efProcessed);
  uint32_t last = entry.FirstCluster;
  if (!FollowChain(entry, item.EditBlocks(), last)) return;
  const TXBootSector& boot = fat_.BootSector();
  usedBlocks.AppendRange(item.Blocks());
  usedBlocks.RecalcSize();
  usedBlocks.Add(boot.ClusterOffset(last), boot.ClusterBytes());
  item.MarkEntry();
  Describe(item, entry, folder);
  MeasureLiveEntryFile(notification->Aspect(), disk_.Medium());
  OfferVolumeFile(disk_.Place(), *notification, sink_);
}

bool TXDRFATFileRecovery::FollowFreeClusters(const TXFileSystemEntry& entry,
                                             TXDRFileItem& item) const {
  const uint32_t first = entry.FirstCluster;
  if (!fat_.IsDataCluster(first) || fat_.ClusterState(first) != clAvailable) return false;
  const TXBootSector& boot = fat_.BootSector();
  return FollowFreeClusterRun(
      first, static_cast<uint64_t>(entry.Size), boot.ClusterBytes(),
      [this](uint32_t c) { return fat_.NextAvailableCluster(c); },
      [&boot](uint32_t c) { return boot.ClusterOffset(c); }, item);
}

void TXDRFATFileRecovery::RecoverDeletedItem(TXFileSystemEntry& entry, const std::string& folder) {
  RecoverFromFreeClusters(entry, folder, false);
}

void TXDRFATFileRecovery::RecoverLostFolderItem(TXFileSystemEntry& entry,
                                                const std::string& folder) {
  RecoverFromFreeClusters(entry, folder, true);
}

void TXDRFATFileRecovery::RecoverFromFreeClusters(TXFileSystemEntry& entry,
                                                  const std::string& folder, bool lostFolder) {
  TXFoundFileRef notification = MakeNotification<TXDRFoundFileAspect>();
  TXDRFileItem& item = *notification->Aspect().Item;
  entry.Set(efProcessed);
  if (!FollowFreeClusters(entry, item)) return;
  item.MarkDeletedEntry();
  if (lostFolder) item.Status.Include(drLostFolder);
  Describe(item, entry, folder);
  if (!MeasureDeletedEntryFile(notification->Aspect(), disk_.Medium(), worker_)) return;
  OfferVolumeFile(disk_.Place(), *notification, sink_);
}

}  // namespace kova
