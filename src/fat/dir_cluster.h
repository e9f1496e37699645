#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fat/file_system_entry.h"
#include "fat/long_name.h"

namespace kova {

// One directory cluster (or the FAT16 root folder, cluster 1) as read from the medium: its file
// and folder entries in on-disk order.
struct TXDRDirClusterObject {
  explicit TXDRDirClusterObject(uint32_t cluster) : Cluster(cluster) {}

  uint32_t Cluster;
  TXFileSystemEntryList Entries;
  // Read by the walk from the root rather than found later as a lost folder.
  bool FromRoot = false;
  // The folder the cluster belongs to, "/"-separated below the volume's root ("" for the root).
  std::string Folder;
  // The cluster opens a folder: its first entry is the "." entry.
  bool OpensFolder = false;
  // Long-name entries at the cluster's end, for a short entry at the start of the next one.
  TXLongNameCollector Pending;
};

// The directory clusters read in one run; an object's position is its index.
class TXDRDirClusterList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TXDRDirClusterObject& operator[](int32_t index) const {
    return *items_[static_cast<size_t>(index)];
  }
  // Appends the object and answers its index.
  int32_t Add(std::unique_ptr<TXDRDirClusterObject> object);
  void Clear() { items_.clear(); }
  void SortByCluster();
  // The number of entries in all objects.
  int64_t EntryCount() const;

 private:
  std::vector<std::unique_ptr<TXDRDirClusterObject>> items_;
};

}  // namespace kova
