#include "fat/fat_disk.h"

#include <exception>

#include "fat/fat_file_recovery.h"
#include "fat/fat_walk.h"
#include "framework/worker_interfaces.h"
#include "recovery/blocks.h"
#include "recovery/run_stopped.h"
#include "storage/disk_io.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

// Whether the entry of the first or the second pass is a file to offer in that pass.
using TXEntryTest = bool (*)(const TXFileSystemEntry& entry);

bool IsLiveFile(const TXFileSystemEntry& entry) {
  return !entry.Has(efDeleted);
}

bool IsDeletedFile(const TXFileSystemEntry& entry) {
  return entry.Has(efDeleted);
}

bool IsUnofferedFile(const TXFileSystemEntry& entry) {
  return !entry.Has(efProcessed);
}

// Calls `offer` for every file entry (folders are only counted) that passes the test, stepping
// the progress once per entry. False when the run stopped on the way.
template <class Offer>
bool OfferEntries(TXDRDirClusterList& list, IXWorker& worker, TXEntryTest test, Offer offer) {
  IXProgress& progress = worker.GetProgress();
  for (int32_t i = 0; i < list.Count(); ++i) {
    for (auto& entry : list[i].Entries) {
      if (!entry->Has(efFolder)) {
        if (RunStopped(worker)) return false;
        if (test(*entry)) offer(*entry);
      }
      progress.StepIt();
    }
  }
  return true;
}

}  // namespace

void TXDRFATDisk::Reset() {
  fat_.Reset();
  dirClusters_.Clear();
  readDirClusters_.Resize(0);
  valid_ = false;
}

TXStream& TXDRFATDisk::Medium() const {
  return *input_->Stream();
}

bool TXDRFATDisk::Load(TXCustomDiskIO& input) {
  input_ = &input;
  Reset();
  TXBootSector boot;
  boot.Bytes()[11] = 0x00;  // 512 bytes per sector, 1 sector per cluster until one is read
  boot.Bytes()[12] = 0x02;
  boot.Bytes()[13] = 1;
  bool result = false;
  const std::string& fileSystem = input.DiskInfo.FileSystem;
  if (fileSystem.empty() || fileSystem.find("FAT") != std::string::npos) {
    TXBootSector read;
    if (SafeReadAt(Medium(), read.Bytes().data(), TXBootSector::kSize, 0)) boot = read;
    result = boot.Type() == TXFatType::ftFat16 || boot.Type() == TXFatType::ftFat32;
  }
  if (input.DiskInfo.SectorSize == 0) input.DiskInfo.SectorSize = boot.BytesPerSector();
  if (input.DiskInfo.ClusterSize == 0)
    input.DiskInfo.ClusterSize = static_cast<uint32_t>(boot.ClusterBytes());
  fat_.BootSector() = boot;
  if (result) {
    try {
      result = fat_.Load(Medium(), input.DiskInfo);
    } catch (const std::exception&) {
      result = false;
    }
  }
  if (result) readDirClusters_.Resize(fat_.ClusterCount());
  valid_ = result;
  return result;
}

void TXDRFATDisk::RecoverFromDirectories(TXBlocks& usedBlocks, IXWorker& worker) {
  IXProgress& progress = worker.GetProgress();
  TXDRFATWalk walk(*this, worker);
  progress.BeginSection(10);
  walk.WalkFromRoot();
  progress.EndSection();
  if (walk.Stopped()) return;
  for (int32_t i = 0; i < dirClusters_.Count(); ++i)
    dirClusters_[i].FromRoot = true;
  TXDRFATFileRecovery files(*this, worker);
  progress.BeginSection(90);
  progress.SetMax(static_cast<uint32_t>(2 * dirClusters_.EntryCount() + 1));
  if (!OfferEntries(dirClusters_, worker, IsLiveFile,
                    [&](TXFileSystemEntry& e) { files.BuildChainItem(e, usedBlocks); }))
    return;
  if (!OfferEntries(dirClusters_, worker, IsDeletedFile,
                    [&](TXFileSystemEntry& e) { files.RecoverDeletedItem(e); }))
    return;
  progress.EndSection();
}

void TXDRFATDisk::RecoverLostFolders(IXWorker& worker) {
  IXProgress& progress = worker.GetProgress();
  TXDRFATWalk walk(*this, worker);
  progress.BeginSection(50);
  walk.FindLostFolders();
  progress.EndSection();
  if (walk.Stopped()) return;
  TXDRFATFileRecovery files(*this, worker);
  progress.BeginSection(50);
  progress.SetMax(static_cast<uint32_t>(dirClusters_.EntryCount() + 1));
  // The clusters of a lost folder's files are free whether or not their entries are deleted.
  if (!OfferEntries(dirClusters_, worker, IsUnofferedFile,
                    [&](TXFileSystemEntry& e) { files.RecoverLostFolderItem(e); }))
    return;
  progress.EndSection();
}

}  // namespace kova
