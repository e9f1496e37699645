#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "status.h"
#include "volume_layout.h"

namespace kova::mkcard {

// "5-6,9" <-> {5, 6, 9}: cluster chains in file order as recipes and manifests write them.
Status ParseClusterList(std::string_view text, std::vector<uint32_t>* clusters);
std::string FormatClusterList(const std::vector<uint32_t>& clusters);

// "PATH" or "PATH+N" as recipes name a cluster of what was written: N counts from 0.
Status ParseClusterReference(std::string_view reference, std::string* path, uint32_t* nth);
// Cluster `nth` of the chain of what `path` names.
Status NthCluster(std::string_view path, const std::vector<uint32_t>& chain, uint32_t nth,
                  uint32_t* cluster);

// The image extents holding the first `size` bytes of a chain, neighbouring clusters merged.
// Cluster n lies at `cluster2_offset` + (n - 2) * `cluster_bytes`.
std::vector<Extent> ChainExtents(uint64_t cluster2_offset, uint32_t cluster_bytes,
                                 const std::vector<uint32_t>& clusters, uint64_t size);
inline std::vector<Extent> ChainExtents(const VolumeLayout& layout,
                                        const std::vector<uint32_t>& clusters, uint64_t size) {
  return ChainExtents(layout.DataOffset(), layout.ClusterBytes(), clusters, size);
}

}  // namespace kova::mkcard
