#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exfat/exfat_entry_set.h"
#include "recovery/cluster_marks.h"

namespace kova {

class TXExfatVolume;

// A file or folder the walk found.
struct TXExfatFound {
  TXExfatFileEntry Entry;
  std::string Folder;  // the folder holding it, "/"-joined below the root
  int64_t Offset = 0;  // its File entry on the volume
  // Its own set is deleted, or it lies in a deleted folder (whose files lost their clusters).
  bool Deleted = false;
  bool Processed = false;  // offered, or found not to be recoverable
};

// The folders of a volume read for one run. Every directory cluster is read once at most, so
// that folders linked to each other or to themselves, and chains that loop, end the walk
// rather than repeat it.
class TXExfatTree {
 public:
  using TXStopped = std::function<bool()>;

  explicit TXExfatTree(TXExfatVolume& volume);

  // Reads the live folders from the root, depth first in on-disk order. Deleted folders met on
  // the way are kept for ReadDeletedFolders.
  void ReadLiveFolders(const TXStopped& stopped);
  // Reads the deleted folders the live ones list, and every folder inside them, as far as their
  // clusters are still free: what they list counts as deleted.
  void ReadDeletedFolders(const TXStopped& stopped);
  // Reads the directories that lie in free clusters and no folder read so far lists (what a
  // format leaves of the old folders; TXExfatLostFolderSearch), and every folder their sets
  // name: what they list counts as deleted. `percent` follows the search over the clusters.
  void ReadLostFolders(const TXStopped& stopped, const std::function<void(uint8_t)>& percent);

  std::vector<TXExfatFound>& Found() { return found_; }
  const std::vector<TXExfatFound>& Found() const { return found_; }
  // The sets found so far whose checksum did not match (used all the same).
  int32_t BadChecksums() const;

 private:
  struct TXFolder {
    std::vector<uint32_t> Clusters;
    std::string Path;
    bool Deleted = false;
  };

  void Walk(std::vector<TXFolder> pending, const TXStopped& stopped);
  TXFolder FolderOf(const TXExfatFound& found);
  // The clusters of a deleted folder up to the first one taken since.
  std::vector<uint32_t> FreeFolderClusters(const TXExfatFileEntry& entry);

  TXExfatVolume& volume_;
  TXClusterMarks read_;  // directory clusters read
  std::vector<TXExfatFound> found_;
  std::vector<size_t> deletedFolders_;  // in found_, met in live folders
};

}  // namespace kova
