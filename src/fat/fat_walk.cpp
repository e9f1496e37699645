#include "fat/fat_walk.h"

#include <array>
#include <cmath>

#include "fat/dir_entry.h"
#include "framework/error_data.h"
#include "recovery/run_stopped.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr size_t kEntriesPerSector = kSectorBytes / kDirEntrySize;

using TXSector = std::array<uint8_t, kSectorBytes>;

TXDirEntryBytes EntryOf(const TXSector& sector, size_t index) {
  return TXDirEntryBytes(sector.data() + index * kDirEntrySize, kDirEntrySize);
}

// Keeps the file and folder entries of the sector; false at the first end or invalid entry,
// which ends the directory cluster. A volume label is passed over whatever its characters:
// formatters write labels in lower case too.
bool AddEntries(TXDRDirClusterObject& object, const TXSector& sector, bool isFat32) {
  for (size_t i = 0; i < kEntriesPerSector; ++i) {
    TXDirEntryBytes entry = EntryOf(sector, i);
    if (IsVolumeLabelEntry(entry)) continue;
    if (!IsValidEntry(entry) || IsEndEntry(entry)) return false;
    if (IsFileEntry(entry) || IsFolderEntry(entry))
      object.Entries.push_back(DecodeEntry(entry, isFat32));
  }
  return true;
}

}  // namespace

TXDRFATWalk::TXDRFATWalk(TXDRFATDisk& disk, IXWorker& worker)
    : disk_(disk), fat_(disk.FAT()), worker_(worker), dirSectors_(ClusterSectors()) {}

bool TXDRFATWalk::Stopped() const {
  return RunStopped(worker_);
}

uint32_t TXDRFATWalk::ClusterSectors() const {
  return static_cast<uint32_t>(fat_.BootSector().ClusterBytes() / kSectorBytes);
}

int32_t TXDRFATWalk::ReadDirCluster(uint32_t sectors, uint32_t cluster, int64_t offset) {
  if (cluster == 0 || Stopped() || !disk_.ReadDirClusters().Mark(cluster)) return -1;
  auto object = std::make_unique<TXDRDirClusterObject>(cluster);
  bool isFat32 = fat_.FatType() == TXFatType::ftFat32;
  TXSector sector;
  for (uint32_t s = 0; s < sectors; ++s) {
    if (!SafeReadAt(disk_.Medium(), sector.data(), kSectorBytes, offset + s * kSectorBytes)) break;
    if (!AddEntries(*object, sector, isFat32)) break;
  }
  return disk_.DirClusters().Add(std::move(object));
}

TXDRFATWalk::Visit TXDRFATWalk::VisitCluster(uint32_t cluster, int64_t offset) {
  uint32_t next = fat_.NextCluster(cluster);
  return {ReadDirCluster(dirSectors_, cluster, offset), 0, next};
}

uint32_t TXDRFATWalk::NextSubfolder(Visit& visit) {
  if (visit.index < 0) return 0;
  const TXFileSystemEntryList& entries = disk_.DirClusters()[visit.index].Entries;
  while (visit.entry < entries.size()) {
    const TXFileSystemEntry& entry = *entries[visit.entry++];
    if (entry.Has(efFolder) && !entry.Has(efDeleted) && fat_.IsDataCluster(entry.FirstCluster))
      return entry.FirstCluster;
  }
  return 0;
}

void TXDRFATWalk::WalkDirectory(uint32_t cluster, int64_t offset) {
  const TXBootSector& boot = fat_.BootSector();
  dirSectors_ = ClusterSectors();
  if (cluster == 0 && fat_.FatType() != TXFatType::ftFat32) {
    WalkSubfolders(ReadDirCluster(boot.RootEntries() / 16, 1, boot.RootDirOffset()));
    return;
  }
  if (cluster == 0) {
    cluster = fat_.IsDataCluster(boot.RootCluster()) ? boot.RootCluster() : 2;
    offset = boot.ClusterOffset(cluster);
  }
  Walk({VisitCluster(cluster, offset)});
}

void TXDRFATWalk::WalkSubfolders(int32_t index) {
  if (index >= 0) Walk({{index, 0, 0}});
}

void TXDRFATWalk::Walk(std::vector<Visit> pending) {
  const TXBootSector& boot = fat_.BootSector();
  while (!pending.empty() && !Stopped()) {
    Visit& visit = pending.back();
    if (uint32_t subfolder = NextSubfolder(visit)) {
      pending.push_back(VisitCluster(subfolder, boot.ClusterOffset(subfolder)));
    } else if (visit.index < 0 || !fat_.IsDataCluster(visit.next)) {
      pending.pop_back();
    } else {
      visit = VisitCluster(visit.next, boot.ClusterOffset(visit.next));
    }
  }
}

void TXDRFATWalk::WalkFromRoot() {
  WalkDirectory(0, 0);
  disk_.DirClusters().SortByCluster();
}

bool TXDRFATWalk::IsLostDirectory(uint32_t cluster, bool& readFailed) {
  int64_t offset = fat_.BootSector().ClusterOffset(cluster);
  TXSector sector;
  uint32_t read = 0;
  for (; read < dirSectors_; ++read) {
    if (!SafeReadAt(disk_.Medium(), sector.data(), kSectorBytes, offset + read * kSectorBytes)) {
      readFailed = true;
      break;
    }
    if (read == 0 && IsEndEntry(EntryOf(sector, 0)) && IsValidEntry(EntryOf(sector, 0)))
      return false;
    for (size_t i = 0; i < kEntriesPerSector; ++i) {
      if (!IsValidEntry(EntryOf(sector, i))) return false;
    }
  }
  return read > 0;
}

void TXDRFATWalk::FindLostFolders() {
  dirSectors_ = ClusterSectors();
  IXProgress& progress = worker_.GetProgress();
  const int64_t count = fat_.ClusterCount();
  bool readFailed = false;
  for (uint32_t i = fat_.NextAvailableCluster(0); i != 0; i = fat_.NextAvailableCluster(i)) {
    progress.SetPercent(static_cast<uint8_t>(std::lround(100.0 * i / count)));
    if (readFailed || Stopped()) return;
    if (disk_.ReadDirClusters().IsMarked(i)) continue;
    try {
      if (!IsLostDirectory(i, readFailed)) continue;
      fat_.SetAvailableFolder(i);
      ReadDirCluster(dirSectors_, i, fat_.BootSector().ClusterOffset(i));
    } catch (const EXError& error) {
      // A medium that is gone ends the search; other failures only lose this cluster.
      if (error.Code() == kErrNotReady) readFailed = true;
    } catch (const std::exception&) {
    }
  }
}

}  // namespace kova
