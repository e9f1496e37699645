#include "cluster_area.h"

#include <algorithm>
#include <set>

namespace kova::mkcard {

namespace {

std::string Named(uint32_t cluster) {
  return "cluster " + std::to_string(cluster);
}

Status CheckChain(const ClusterArea& area, const std::vector<uint32_t>& chain, uint32_t count,
                  const ClusterTest& is_free) {
  if (chain.size() != count) {
    return Status::Failure("the cluster list has " + std::to_string(chain.size()) +
                           " clusters, the data needs " + std::to_string(count));
  }
  std::set<uint32_t> seen;
  for (uint32_t cluster : chain) {
    if (!area.IsDataCluster(cluster))
      return Status::Failure(Named(cluster) + " is outside 2.." +
                             std::to_string(area.last_cluster));
    if (!is_free(cluster)) return Status::Failure(Named(cluster) + " is not free");
    if (!seen.insert(cluster).second) return Status::Failure(Named(cluster) + " is listed twice");
  }
  return {};
}

}  // namespace

Status TakeFreeClusters(const ClusterArea& area, uint32_t count, uint32_t from, uint32_t high_water,
                        const ClusterTest& is_free, const std::vector<uint32_t>& excluded,
                        std::vector<uint32_t>* clusters) {
  clusters->clear();
  if (count == 0) return {};
  const uint32_t total = area.Count();
  uint32_t start = from != 0 ? from : high_water + 1;
  if (!area.IsDataCluster(start)) start = 2;
  uint32_t free = 0;
  for (uint64_t step = 0; step < total; ++step) {
    const auto cluster = static_cast<uint32_t>(2 + (start - 2 + step) % total);
    if (!is_free(cluster)) continue;
    ++free;
    if (clusters->size() < count &&
        std::find(excluded.begin(), excluded.end(), cluster) == excluded.end()) {
      clusters->push_back(cluster);
    }
  }
  if (clusters->size() == count) return {};
  clusters->clear();
  return Status::Failure("the card is full: " + std::to_string(count) + " free clusters needed, " +
                         std::to_string(free) + " left");
}

Status PlaceClusters(const ClusterArea& area, const Placement& placement, uint32_t count,
                     uint32_t high_water, const ClusterTest& is_free,
                     std::vector<uint32_t>* clusters) {
  if (!placement.clusters.empty()) {
    if (Status ok = CheckChain(area, placement.clusters, count, is_free); !ok) return ok;
    *clusters = placement.clusters;
    return {};
  }
  if (placement.from != 0 && !area.IsDataCluster(placement.from)) {
    return Status::Failure(Named(placement.from) + " is outside 2.." +
                           std::to_string(area.last_cluster));
  }
  if (placement.fragments == 0 || placement.gap == 0)
    return Status::Failure("fragments and the gap between them must be at least 1");
  clusters->clear();
  uint32_t from = placement.from;
  for (uint32_t piece = 0; piece < placement.fragments; ++piece) {
    const uint32_t size =
        count / placement.fragments + (piece < count % placement.fragments ? 1 : 0);
    std::vector<uint32_t> part;
    if (Status ok = TakeFreeClusters(area, size, from, high_water, is_free, *clusters, &part); !ok)
      return ok;
    clusters->insert(clusters->end(), part.begin(), part.end());
    if (!part.empty()) from = part.back() + 1 + placement.gap;
  }
  return {};
}

Status PlanRawWrite(const ClusterArea& area, uint64_t offset, uint64_t size,
                    const ClusterTest& is_free, std::vector<uint32_t>* clusters) {
  if (size == 0) return Status::Failure("nothing to write");
  if (offset < area.first_offset || offset > area.End() || size > area.End() - offset) {
    return Status::Failure("raw bytes must lie inside the data area " +
                           std::to_string(area.first_offset) + ".." + std::to_string(area.End()));
  }
  clusters->clear();
  const auto first = static_cast<uint32_t>(2 + (offset - area.first_offset) / area.cluster_bytes);
  const auto last =
      static_cast<uint32_t>(2 + (offset + size - 1 - area.first_offset) / area.cluster_bytes);
  for (uint32_t cluster = first; cluster <= last; ++cluster) {
    if (!is_free(cluster)) {
      clusters->clear();
      return Status::Failure("raw bytes would overwrite " + Named(cluster) + ", which is in use");
    }
    clusters->push_back(cluster);
  }
  return {};
}

Status WipeClusters(SparseImage& image, const ClusterArea& area,
                    const std::vector<uint32_t>& clusters, uint8_t value) {
  for (uint32_t cluster : clusters) {
    if (!area.IsDataCluster(cluster)) return Status::Failure(Named(cluster) + " does not exist");
  }
  for (uint32_t cluster : clusters)
    image.Fill(area.ClusterOffset(cluster), area.cluster_bytes, value);
  return {};
}

}  // namespace kova::mkcard
