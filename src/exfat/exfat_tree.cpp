#include "exfat/exfat_tree.h"

#include <algorithm>

#include "exfat/exfat_directory.h"
#include "exfat/exfat_lost_folders.h"
#include "exfat/exfat_volume.h"

namespace kova {

namespace {

// A directory holds at most 256 MiB of entries.
constexpr uint64_t kMaxDirectoryBytes = uint64_t{256} << 20;

std::string PathOf(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

}  // namespace

TXExfatTree::TXExfatTree(TXExfatVolume& volume) : volume_(volume) {
  read_.Resize(int64_t{volume.ClusterLimit()} + 2);
}

int32_t TXExfatTree::BadChecksums() const {
  return static_cast<int32_t>(std::count_if(found_.begin(), found_.end(),
                                            [](const auto& f) { return f.Entry.ChecksumBad; }));
}

void TXExfatTree::ReadLiveFolders(const TXStopped& stopped) {
  TXFolder root;
  root.Clusters =
      volume_.DataClusters(volume_.Boot().RootCluster(), kMaxDirectoryBytes, false, read_);
  Walk({root}, stopped);
}

void TXExfatTree::ReadDeletedFolders(const TXStopped& stopped) {
  std::vector<TXFolder> pending;
  for (auto index = deletedFolders_.rbegin(); index != deletedFolders_.rend(); ++index)
    pending.push_back(FolderOf(found_[*index]));
  deletedFolders_.clear();
  Walk(std::move(pending), stopped);
}

void TXExfatTree::ReadLostFolders(const TXStopped& stopped,
                                  const std::function<void(uint8_t)>& percent) {
  std::vector<TXFolder> pending;
  for (TXExfatLostFolder& lost : TXExfatLostFolderSearch(volume_, read_).Find(stopped, percent)) {
    for (TXExfatListedSet& set : lost.Sets) {
      TXExfatFound& found = found_.emplace_back();
      found.Entry = std::move(set.Entry);
      found.Folder = lost.Path;
      found.Offset = set.Offset;
      found.Deleted = true;
      // A folder found in the search itself is read there; FolderOf finds its clusters taken.
      if (found.Entry.IsFolder()) pending.push_back(FolderOf(found));
    }
  }
  Walk(std::move(pending), stopped);
}

std::vector<uint32_t> TXExfatTree::FreeFolderClusters(const TXExfatFileEntry& entry) {
  TXClusterMarks probe;
  probe.Resize(int64_t{volume_.ClusterLimit()} + 2);
  const uint64_t length = std::min(entry.DataLength, kMaxDirectoryBytes);
  std::vector<uint32_t> clusters =
      volume_.DataClusters(entry.FirstCluster, length, entry.NoFatChain, probe);
  auto taken = std::find_if(clusters.begin(), clusters.end(), [&](uint32_t c) {
    return volume_.IsAllocated(c) || read_.IsMarked(c);
  });
  clusters.erase(taken, clusters.end());
  for (uint32_t cluster : clusters)
    read_.Mark(cluster);
  return clusters;
}

TXExfatTree::TXFolder TXExfatTree::FolderOf(const TXExfatFound& found) {
  TXFolder folder;
  folder.Path = PathOf(found.Folder, found.Entry.Name);
  folder.Deleted = found.Deleted;
  if (found.Deleted) {
    folder.Clusters = FreeFolderClusters(found.Entry);
  } else {
    const uint64_t length = std::min(found.Entry.DataLength, kMaxDirectoryBytes);
    folder.Clusters =
        volume_.DataClusters(found.Entry.FirstCluster, length, found.Entry.NoFatChain, read_);
  }
  return folder;
}

void TXExfatTree::Walk(std::vector<TXFolder> pending, const TXStopped& stopped) {
  while (!pending.empty() && !stopped()) {
    TXFolder folder = std::move(pending.back());
    pending.pop_back();
    TXExfatListing listing = ListExfatDirectory(volume_, folder.Clusters, stopped);
    std::vector<TXFolder> subfolders;
    for (TXExfatListedSet& set : listing.Sets) {
      TXExfatFound& found = found_.emplace_back();
      found.Entry = std::move(set.Entry);
      found.Folder = folder.Path;
      found.Offset = set.Offset;
      found.Deleted = folder.Deleted || found.Entry.Deleted;
      if (!found.Entry.IsFolder()) continue;
      if (found.Deleted && !folder.Deleted) {
        deletedFolders_.push_back(found_.size() - 1);
      } else {
        subfolders.push_back(FolderOf(found));
      }
    }
    pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
  }
}

}  // namespace kova
