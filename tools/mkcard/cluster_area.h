#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "content.h"
#include "medium_bytes.h"
#include "sparse_image.h"
#include "status.h"
#include "volume_writer.h"

// The clusters of a volume's data area as every volume writer handles them, whatever its file
// system: finding free clusters for new data, checking a chain a recipe gives, writing bytes
// straight into free clusters and filling clusters with one byte.
namespace kova::mkcard {

// A data area of clusters numbered from 2.
struct ClusterArea {
  uint64_t first_offset = 0;  // card offset of cluster 2
  uint32_t cluster_bytes = 512;
  uint32_t last_cluster = 1;

  uint64_t End() const { return first_offset + uint64_t{last_cluster - 1} * cluster_bytes; }
  bool IsDataCluster(uint32_t cluster) const { return cluster >= 2 && cluster <= last_cluster; }
  uint32_t Count() const { return last_cluster - 1; }
  uint64_t ClusterOffset(uint32_t cluster) const {
    return first_offset + uint64_t{cluster - 2} * cluster_bytes;
  }
};

using ClusterTest = std::function<bool(uint32_t cluster)>;

// `count` free clusters, searched from `from` on (0: after `high_water`, the highest cluster
// allocated so far) and wrapping round to cluster 2, leaving out `excluded`; a failure when the
// area has too few.
Status TakeFreeClusters(const ClusterArea& area, uint32_t count, uint32_t from, uint32_t high_water,
                        const ClusterTest& is_free, const std::vector<uint32_t>& excluded,
                        std::vector<uint32_t>* clusters);

// The clusters for data of `count` clusters: the placement's explicit chain when it gives one
// (each cluster of the area, free and listed once, and as many as needed), else free clusters as
// TakeFreeClusters finds them from its `from`, in its number of fragments.
Status PlaceClusters(const ClusterArea& area, const Placement& placement, uint32_t count,
                     uint32_t high_water, const ClusterTest& is_free,
                     std::vector<uint32_t>* clusters);

// The clusters a raw write of `size` bytes at card offset `offset` covers, each of them free;
// a failure when the bytes leave the data area or would overwrite a cluster in use.
Status PlanRawWrite(const ClusterArea& area, uint64_t offset, uint64_t size,
                    const ClusterTest& is_free, std::vector<uint32_t>* clusters);

// Fills whole clusters with `value` once every one of them is known to exist.
Status WipeClusters(SparseImage& image, const ClusterArea& area,
                    const std::vector<uint32_t>& clusters, uint8_t value);

// Records a raw write in a writer's node (any node with these fields): "raw-N" unless named.
template <class Node>
void DescribeRawWrite(uint64_t offset, const Content& content, std::string_view name,
                      int* raw_count, Node* node) {
  node->path = name.empty() ? "raw-" + std::to_string(++*raw_count) : std::string(name);
  node->state = EntryState::kRaw;
  node->raw_extents = {{offset, content.bytes.size()}};
  node->content_kind = content.kind;
  node->size = content.bytes.size();
  node->width = content.width;
  node->height = content.height;
  node->crc32 = Crc32Of(content.bytes);
}

}  // namespace kova::mkcard
