#include "fat/dir_cluster.h"

#include <algorithm>

namespace kova {

int32_t TXDRDirClusterList::Add(std::unique_ptr<TXDRDirClusterObject> object) {
  items_.push_back(std::move(object));
  return Count() - 1;
}

void TXDRDirClusterList::SortByCluster() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const auto& a, const auto& b) { return a->Cluster < b->Cluster; });
}

int64_t TXDRDirClusterList::EntryCount() const {
  int64_t count = 0;
  for (const auto& item : items_)
    count += static_cast<int64_t>(item->Entries.size());
  return count;
}

}  // namespace kova
