#include "fat/fat_walk.h"

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "framework/error_data.h"
#include "ondisk/fat_dir_entry.h"
#include "recovery/file_item.h"
#include "recovery/lost_folder_name.h"
#include "recovery/run_stopped.h"
#include "storage/safe_read.h"
#include "storage/volume_reader.h"

namespace kova {

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr size_t kEntriesPerSector = kSectorBytes / kDirEntrySize;

using TXSector = std::array<uint8_t, kSectorBytes>;

TXDirEntryBytes EntryOf(const TXSector& sector, size_t index) {
  return TXDirEntryBytes(sector.data() + index * kDirEntrySize, kDirEntrySize);
}

// Keeps the file and folder entries of the sector, named by the long-name entries before them;
// false at the first end or invalid entry, which ends the directory cluster. A volume label is
// passed over whatever its characters: formatters write labels in lower case too.
bool AddEntries(TXDRDirClusterObject& object, const TXSector& sector, bool isFat32,
                uint16_t codePage) {
  for (size_t i = 0; i < kEntriesPerSector; ++i) {
    TXDirEntryBytes entry = EntryOf(sector, i);
    if (IsVolumeLabelEntry(entry)) {
      object.Pending.Clear();
      continue;
    }
    if (!IsValidEntry(entry) || IsEndEntry(entry)) return false;
    if (IsLongNameEntry(entry)) {
      object.Pending.Add(entry);
    } else if (IsFileEntry(entry) || IsFolderEntry(entry)) {
      object.Entries.push_back(
          DecodeEntry(entry, isFat32, codePage, object.Pending.NameFor(entry)));
    } else {
      object.OpensFolder = object.OpensFolder || (object.Entries.empty() && IsDotEntry(entry));
      object.Pending.Clear();
    }
  }
  return true;
}

// The folder's path below its parent; a short name without extension loses its dot.
std::string PathBelow(const std::string& folder, const std::string& name) {
  std::string base = !name.empty() && name.back() == '.' ? name.substr(0, name.size() - 1) : name;
  return folder.empty() ? base : folder + "/" + base;
}

// A lost folder's name in the paths of its files. A restore makes the folders of these paths,
// so a lost first letter is written as a restore saves it.
std::string FolderName(const TXFileSystemEntry& entry) {
  return entry.Has(efFirstLetterLost) ? WithLostLetterSaved(entry.Name) : entry.Name;
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

int32_t TXDRFATWalk::ReadDirCluster(uint32_t sectors, uint32_t cluster, int64_t offset,
                                    const TXDRDirClusterObject* previous) {
  if (cluster == 0 || Stopped() || !disk_.ReadDirClusters().Mark(cluster)) return -1;
  auto object = std::make_unique<TXDRDirClusterObject>(cluster);
  if (previous) {
    object->Folder = previous->Folder;
    object->Pending = previous->Pending;
  }
  bool isFat32 = fat_.FatType() == TXFatType::ftFat32;
  const TXVolumeReader read = CheckedStreamReader(disk_.Medium());
  TXSector sector;
  for (uint32_t s = 0; s < sectors; ++s) {
    const int64_t at = offset + s * kSectorBytes;
    if (at >= disk_.Medium().Size()) break;
    // An unreadable sector loses its own entries only; a long name does not reach across it.
    if (!read(at, sector.data(), kSectorBytes)) {
      object->Pending.Clear();
      continue;
    }
    if (!AddEntries(*object, sector, isFat32, disk_.Place().CodePage)) break;
  }
  return disk_.DirClusters().Add(std::move(object));
}

TXDRFATWalk::Visit TXDRFATWalk::VisitCluster(uint32_t cluster, const std::string& folder,
                                             int32_t previous) {
  uint32_t next = fat_.NextCluster(cluster);
  TXDRDirClusterObject opening(0);
  opening.Folder = folder;
  const TXDRDirClusterObject* before = previous >= 0 ? &disk_.DirClusters()[previous] : &opening;
  return {ReadDirCluster(dirSectors_, cluster, fat_.BootSector().ClusterOffset(cluster), before), 0,
          next};
}

const TXFileSystemEntry* TXDRFATWalk::NextSubfolder(Visit& visit) {
  if (visit.index < 0) return nullptr;
  const TXFileSystemEntryList& entries = disk_.DirClusters()[visit.index].Entries;
  while (visit.entry < entries.size()) {
    const TXFileSystemEntry& entry = *entries[visit.entry++];
    if (entry.Has(efFolder) && !entry.Has(efDeleted) && fat_.IsDataCluster(entry.FirstCluster))
      return &entry;
  }
  return nullptr;
}

void TXDRFATWalk::WalkDirectory(uint32_t cluster, const std::string& folder) {
  const TXBootSector& boot = fat_.BootSector();
  dirSectors_ = ClusterSectors();
  if (cluster == 0 && fat_.FatType() != TXFatType::ftFat32) {
    WalkSubfolders(ReadDirCluster(boot.RootEntries() / 16, 1, boot.RootDirOffset(), nullptr));
    return;
  }
  if (cluster == 0) cluster = fat_.IsDataCluster(boot.RootCluster()) ? boot.RootCluster() : 2;
  Walk({VisitCluster(cluster, folder, -1)});
}

void TXDRFATWalk::WalkSubfolders(int32_t index) {
  if (index >= 0) Walk({{index, 0, 0}});
}

void TXDRFATWalk::Walk(std::vector<Visit> pending) {
  while (!pending.empty() && !Stopped()) {
    Visit& visit = pending.back();
    if (const TXFileSystemEntry* subfolder = NextSubfolder(visit)) {
      const std::string& parent = disk_.DirClusters()[visit.index].Folder;
      Visit inside = VisitCluster(subfolder->FirstCluster, PathBelow(parent, subfolder->Name), -1);
      pending.push_back(inside);
    } else if (visit.index < 0 || !fat_.IsDataCluster(visit.next)) {
      pending.pop_back();
    } else {
      visit = VisitCluster(visit.next, {}, visit.index);
    }
  }
}

void TXDRFATWalk::WalkFromRoot() {
  WalkDirectory(0, {});
  disk_.DirClusters().SortByCluster();
}

void TXDRFATWalk::NameLostFolders() {
  TXDRDirClusterList& list = disk_.DirClusters();
  std::map<uint32_t, const TXDRDirClusterObject*> byCluster;
  for (int32_t i = 0; i < list.Count(); ++i)
    byCluster[list[i].Cluster] = &list[i];
  // A lost folder is named by the entry that still points at it, in a folder already named; a
  // cluster that opens no folder continues the lost one before it. Each round names at least
  // one more, so the rounds are bounded by the number of clusters.
  std::vector<TXDRDirClusterObject*> unnamed;
  for (int32_t i = 0; i < list.Count(); ++i)
    if (!list[i].FromRoot) unnamed.push_back(&list[i]);
  std::map<uint32_t, std::string> names;
  for (bool progress = true; progress && !unnamed.empty();) {
    progress = false;
    for (const auto& [cluster, object] : byCluster) {
      if (object->FromRoot || names.count(cluster)) {
        const std::string& folder = object->FromRoot ? object->Folder : names[cluster];
        for (const auto& entry : object->Entries) {
          if (entry->Has(efFolder) && !names.count(entry->FirstCluster) &&
              byCluster.count(entry->FirstCluster) && !byCluster[entry->FirstCluster]->FromRoot) {
            names[entry->FirstCluster] = PathBelow(folder, FolderName(*entry));
            progress = true;
          }
        }
      }
    }
  }
  uint32_t previous = 0;
  std::string previousFolder;
  for (TXDRDirClusterObject* object : unnamed) {
    if (names.count(object->Cluster)) {
      object->Folder = names[object->Cluster];
    } else if (!object->OpensFolder && object->Cluster == previous + 1) {
      object->Folder = previousFolder;
    } else {
      object->Folder = LostFolderName(object->Cluster);
    }
    previous = object->Cluster;
    previousFolder = object->Folder;
  }
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
      ReadDirCluster(dirSectors_, i, fat_.BootSector().ClusterOffset(i), nullptr);
    } catch (const EXError& error) {
      // A medium that is gone ends the search; other failures only lose this cluster.
      if (error.Code() == kErrNotReady) readFailed = true;
    } catch (const std::exception&) {
    }
  }
}

}  // namespace kova
