#include "fat/fat_file_recovery.h"

#include <algorithm>

#include "fat/file_system_entry.h"
#include "framework/notification.h"
#include "framework/worker.h"
#include "recovery/block_stream.h"
#include "recovery/blocks.h"
#include "recovery/formats/scan_format_registry.h"
#include "recovery/recovery_aspects.h"
#include "recovery/search.h"

namespace kova {

namespace {

// The first bytes of a deleted file that tell wiped clusters from data.
constexpr int64_t kWipeProbe = 4096;

using TXFoundFileRef = TXRef<TXNotification<TXDRFoundFileAspect>>;

// Dimensions and thumbnail from the file's scan format, after the format has measured it.
void TakePicture(TXDRScanFormat& format, TXDRFileItem& item, TXStream& medium) {
  item.Dimensions = format.Dimensions;
  TXSize size;
  item.MarkThumbnail(format.MakeThumbnail(size, item.Thumbnail, item.Blocks(), medium));
  if (item.Dimensions.Width == 0 || item.Dimensions.Height == 0) item.Dimensions = size;
}

}  // namespace

TXDRFATFileRecovery::TXDRFATFileRecovery(TXDRFATDisk& disk, IXWorker& worker)
    : disk_(disk), fat_(disk.FAT()), worker_(worker) {
  chain_.Resize(fat_.ClusterCount());
}

void TXDRFATFileRecovery::Describe(TXDRFileItem& item, const TXFileSystemEntry& entry) const {
  item.Ext = EntryExtension(entry.Name);
  item.Name = entry.Name;
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

void TXDRFATFileRecovery::BuildChainItem(TXFileSystemEntry& entry, TXBlocks& usedBlocks) {
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
  Describe(item, entry);
  if (const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext)) {
    std::unique_ptr<TXDRScanFormat> format = formatClass->Create();
    format->ValidateItem(disk_.Medium(), item.Blocks());
    TakePicture(*format, item, disk_.Medium());
  }
  worker_.Dispatch(*notification);
}

bool TXDRFATFileRecovery::FollowFreeClusters(const TXFileSystemEntry& entry,
                                             TXBlocks& blocks) const {
  uint32_t c = entry.FirstCluster;
  if (!fat_.IsDataCluster(c) || fat_.ClusterState(c) != clAvailable) return false;
  const TXBootSector& boot = fat_.BootSector();
  int64_t remaining = entry.Size;
  for (; c != 0 && remaining > 0; c = fat_.NextAvailableCluster(c)) {
    blocks.Add(boot.ClusterOffset(c), std::min(boot.ClusterBytes(), remaining));
    remaining -= boot.ClusterBytes();
  }
  return remaining <= 0;
}

bool TXDRFATFileRecovery::Wiped(const TXBlocks& blocks) const {
  TXBlockStream view(disk_.Medium(), blocks);
  TXSearch search;
  search.SetSource(&view);
  int64_t probe = std::min(blocks.TotalSize(), kWipeProbe);
  return search.AllEqualAt(0x00, probe, 0) || search.AllEqualAt(0xFF, probe, 0);
}

void TXDRFATFileRecovery::RecoverDeletedItem(TXFileSystemEntry& entry) {
  TXFoundFileRef notification = MakeNotification<TXDRFoundFileAspect>();
  TXDRFileItem& item = *notification->Aspect().Item;
  entry.Set(efProcessed);
  if (!FollowFreeClusters(entry, item.EditBlocks()) || Wiped(item.Blocks())) return;
  item.MarkDeletedEntry();
  Describe(item, entry);
  if (const TXDRScanFormatClass* formatClass = ClassOfExt(item.Ext)) {
    std::unique_ptr<TXDRScanFormat> format = formatClass->Create();
    TXBlockStream view(disk_.Medium(), item.Blocks());
    TXSearch search;
    search.SetWorker(TXRef<IXWorker>(&worker_));
    search.SetSource(&view);
    if (!format->Check(search, 0)) return;
    TakePicture(*format, item, disk_.Medium());
  }
  worker_.Dispatch(*notification);
}

}  // namespace kova
