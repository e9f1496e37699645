#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exfat/exfat_directory.h"
#include "recovery/cluster_marks.h"

namespace kova {

class TXExfatVolume;

// A directory found in free clusters: where it starts, its path, and the sets it lists.
struct TXExfatLostFolder {
  uint32_t FirstCluster = 0;
  std::vector<uint32_t> Clusters;
  std::string Path;
  std::vector<TXExfatListedSet> Sets;
};

// Finds the directories that lie in free clusters and no folder read so far lists: what a quick
// format leaves of the old folders further in the heap. A directory cluster opens an entry set
// whose checksum is right (after the secondary entries of a set begun in the cluster before,
// if any), and a directory reaches over the free clusters after it while each one's last entry
// is in use and the next one starts with a set entry (after a format the FAT no longer knows
// its chain). A run of clusters that starts inside a set, or that no found set names as a
// folder, continues the directory found before it when that one goes on past its last cluster,
// as a folder does that grew after the files written into it, so the set across the two is
// read whole. Only sets with the right checksum are kept. A directory is named by the set of a
// found directory that points at it, else "LOST" and its first cluster in eight digits. The search
// passes over clusters `read` marks and marks those it takes; it reads at most a budget of entries,
// so a card full of entry-like data cannot make it slow.
class TXExfatLostFolderSearch {
 public:
  using TXStopped = std::function<bool()>;
  using TXPercent = std::function<void(uint8_t)>;

  TXExfatLostFolderSearch(TXExfatVolume& volume, TXClusterMarks& read);

  // The directories in order of their first cluster, named.
  std::vector<TXExfatLostFolder> Find(const TXStopped& stopped, const TXPercent& percent);

 private:
  // Free clusters that hold one directory, or a part of one.
  struct TXRun {
    std::vector<uint32_t> Clusters;
    bool StartsInsideSet = false;
  };

  std::vector<TXRun> FindRuns(const TXStopped& stopped, const TXPercent& percent);
  // The index of the cluster's first entry that opens a set with the right checksum, when only
  // secondary entries of a set begun elsewhere stand before it; -1 otherwise.
  int SoundSetAt(uint32_t cluster);
  // Whether the directory goes on after the cluster: its last entry is in use.
  bool Continues(uint32_t cluster);
  // The clusters from `first` on that hold one directory.
  std::vector<uint32_t> RunFrom(uint32_t first);
  bool EntryAt(uint32_t cluster, size_t index, TXExfatRawEntry& entry);
  void Name(std::vector<TXExfatLostFolder>& folders) const;

  TXExfatVolume& volume_;
  TXClusterMarks& read_;
  int64_t entriesLeft_;
};

}  // namespace kova
