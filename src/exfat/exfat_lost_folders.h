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
  std::string Path;
  std::vector<TXExfatListedSet> Sets;
};

// Finds the directories that lie in free clusters and no folder read so far lists: what a quick
// format leaves of the old folders further in the heap. A directory is recognised by its first
// cluster, which opens an entry set whose checksum is right, and reaches over the free clusters
// after it while each one's last entry is in use and the next one starts with a directory entry
// (after a format the FAT no longer knows its chain, and cameras write folders contiguous). Only
// sets with the right checksum are kept. A directory is named by the set of a found directory
// that points at it, else "LOST" and its first cluster in eight digits. The search passes over
// clusters `read` marks and marks those it takes; it reads at most a budget of entries, so a
// card full of entry-like data cannot make it slow.
class TXExfatLostFolderSearch {
 public:
  using TXStopped = std::function<bool()>;
  using TXPercent = std::function<void(uint8_t)>;

  TXExfatLostFolderSearch(TXExfatVolume& volume, TXClusterMarks& read);

  // The directories in order of their first cluster, named.
  std::vector<TXExfatLostFolder> Find(const TXStopped& stopped, const TXPercent& percent);

 private:
  bool OpensSoundSet(uint32_t cluster);
  // The clusters from `first` on that hold one directory.
  std::vector<uint32_t> RunFrom(uint32_t first);
  bool EntryAt(uint32_t cluster, size_t index, TXExfatRawEntry& entry);
  void Name(std::vector<TXExfatLostFolder>& folders) const;

  TXExfatVolume& volume_;
  TXClusterMarks& read_;
  int64_t entriesLeft_;
};

}  // namespace kova
