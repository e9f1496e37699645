#pragma once

#include <algorithm>
#include <cstdint>

#include "recovery/blocks.h"
#include "recovery/file_item.h"

namespace kova {

// The file-system rule for a deleted file whose chain is lost (FAT and exFAT alike): its data is
// taken to lie on its first cluster, which the caller has found free, and on the free clusters
// that follow it, each as far as the bytes left. The extents go into the item; ClustersReused is
// set when clusters in use had to be passed over. `nextFree(c)` answers the first free cluster
// after c, 0 when none is left; `offsetOf(c)` a cluster's position in the volume. False when the
// free clusters run out before `length` bytes.
template <class NextFree, class OffsetOf>
bool FollowFreeClusterRun(uint32_t first, uint64_t length, int64_t clusterBytes, NextFree nextFree,
                          OffsetOf offsetOf, TXDRFileItem& item) {
  TXBlocks& blocks = item.EditBlocks();
  const auto cluster = static_cast<uint64_t>(clusterBytes);
  uint64_t remaining = length;
  for (uint32_t c = first, previous = first; c != 0 && remaining > 0;
       previous = c, c = nextFree(c)) {
    if (c > previous + 1) item.ClustersReused = true;
    const uint64_t part = std::min(remaining, cluster);
    blocks.Add(offsetOf(c), static_cast<int64_t>(part));
    remaining -= part;
  }
  return remaining == 0;
}

}  // namespace kova
