#include "fat/fat_disk.h"

#include <algorithm>
#include <exception>

#include "fat/fat_file_recovery.h"
#include "fat/fat_walk.h"
#include "framework/worker_interfaces.h"
#include "recovery/blocks.h"
#include "recovery/run_stopped.h"
#include "storage/fat_volume_facts.h"

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
        if (test(*entry)) offer(*entry, list[i].Folder);
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
  usedBlocks_.Clear();
  usedBlocks_.RecalcSize();
  valid_ = false;
  fromBackup_ = false;
  volumeFacts_ = TXFatVolumeFacts();
}

bool TXDRFATDisk::ReadBootSector() {
  const TXFatBootRead read = ReadFatBoot(StreamReader(Medium()));
  fat_.BootSector() = read.Boot;
  fromBackup_ = read.FromBackup;
  return read.Boot.Type() != TXFatType::ftUnknown;
}

bool TXDRFATDisk::Open(const TXDRVolumePlace& place) {
  Reset();
  place_ = place;
  const std::string& reported = place.ReportedFileSystem;
  bool result = (reported.empty() || IsFatFileSystemName(reported)) && ReadBootSector();
  if (result) {
    try {
      result = fat_.Load(Medium());
    } catch (const std::exception&) {
      result = false;
    }
  }
  if (result) {
    readDirClusters_.Resize(fat_.ClusterCount());
    volumeFacts_ = DescribeFatVolume(StreamReader(Medium()), {fat_.BootSector(), fromBackup_},
                                     fat_.Entries(), place_.CodePage);
  }
  valid_ = result;
  return result;
}

TXDRFileSystemFacts TXDRFATDisk::Facts() const {
  const TXFatVolumeFacts& volume = volumeFacts_;
  TXDRFileSystemFacts facts;
  facts.Name = FatTypeName(volume.Type);
  facts.Label = volume.Label;
  facts.Serial = volume.Serial;
  facts.SectorSize = volume.SectorSize;
  facts.ClusterSize = volume.ClusterSize;
  facts.TotalClusters = volume.TotalClusters;
  facts.FreeClusters = std::max<int64_t>(0, volume.FreeClusters);
  facts.FromBackupBoot = volume.FromBackupBoot;
  const TXBootSector& boot = fat_.BootSector();
  facts.Missing = MissingBytes(boot.TotalSectors(), boot.BytesPerSector(), Medium().Size());
  return facts;
}

void TXDRFATDisk::AddUsedExtents(TXBlocks& used) const {
  for (const TXBlock& block : usedBlocks_)
    used.Append({block.Start + place_.Start, block.Size});
  used.RecalcSize();
}

void TXDRFATDisk::RecoverFromDirectories(IXWorker& worker, IXDRFoundFileSink& sink) {
  IXProgress& progress = worker.GetProgress();
  TXDRFATWalk walk(*this, worker);
  progress.BeginSection(10);
  walk.WalkFromRoot();
  progress.EndSection();
  if (walk.Stopped()) return;
  for (int32_t i = 0; i < dirClusters_.Count(); ++i)
    dirClusters_[i].FromRoot = true;
  TXDRFATFileRecovery files(*this, worker, sink);
  progress.BeginSection(90);
  progress.SetMax(static_cast<uint32_t>(2 * dirClusters_.EntryCount() + 1));
  if (!OfferEntries(dirClusters_, worker, IsLiveFile,
                    [&](TXFileSystemEntry& e, const std::string& folder) {
                      files.BuildChainItem(e, folder, usedBlocks_);
                    }))
    return;
  if (!OfferEntries(dirClusters_, worker, IsDeletedFile,
                    [&](TXFileSystemEntry& e, const std::string& folder) {
                      files.RecoverDeletedItem(e, folder);
                    }))
    return;
  progress.EndSection();
}

void TXDRFATDisk::RecoverLostFolders(IXWorker& worker, IXDRFoundFileSink& sink) {
  IXProgress& progress = worker.GetProgress();
  TXDRFATWalk walk(*this, worker);
  progress.BeginSection(50);
  walk.FindLostFolders();
  walk.NameLostFolders();
  progress.EndSection();
  if (walk.Stopped()) return;
  TXDRFATFileRecovery files(*this, worker, sink);
  progress.BeginSection(50);
  progress.SetMax(static_cast<uint32_t>(dirClusters_.EntryCount() + 1));
  // The clusters of a lost folder's files are free whether or not their entries are deleted.
  if (!OfferEntries(dirClusters_, worker, IsUnofferedFile,
                    [&](TXFileSystemEntry& e, const std::string& folder) {
                      files.RecoverLostFolderItem(e, folder);
                    }))
    return;
  progress.EndSection();
}

}  // namespace kova
