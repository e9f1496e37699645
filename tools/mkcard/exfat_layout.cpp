#include "exfat_layout.h"

#include <bit>

namespace kova::mkcard {

namespace {

// The FAT starts 64 KiB into the volume, after both boot regions, as formatters align it.
constexpr uint32_t kFatOffsetSectors = 128;
constexpr uint32_t kMaxClusterBytes = 32u << 20;
constexpr uint64_t kMaxClusterCount = 0xFFFFFFF5;

uint32_t ClustersFor(uint64_t bytes, uint32_t cluster_bytes) {
  return static_cast<uint32_t>((bytes + cluster_bytes - 1) / cluster_bytes);
}

Status CheckOptions(const ExfatOptions& options) {
  const uint32_t cluster = options.cluster_bytes;
  if (cluster < ExfatLayout::kSectorBytes || cluster > kMaxClusterBytes ||
      !std::has_single_bit(cluster)) {
    return Status::Failure(
        "the cluster size must be a power of two from 512 bytes to 32 MiB, not " +
        std::to_string(cluster));
  }
  if (options.fat_count != 1 && options.fat_count != 2)
    return Status::Failure("an exFAT volume has one or two FATs");
  if (options.volume_bytes % ExfatLayout::kSectorBytes != 0)
    return Status::Failure("the volume must be whole 512-byte sectors");
  return {};
}

}  // namespace

Status ComputeExfatLayout(const ExfatOptions& options, uint64_t offset, uint64_t room,
                          uint64_t upcase_bytes, ExfatLayout* layout) {
  if (Status ok = CheckOptions(options); !ok) return ok;
  if (options.volume_bytes > room) {
    return Status::Failure("the volume of " + std::to_string(options.volume_bytes) +
                           " bytes does not fit in the " + std::to_string(room) + " it is given");
  }
  ExfatLayout out;
  out.volume_offset = offset;
  out.volume_sectors =
      (options.volume_bytes ? options.volume_bytes : room) / ExfatLayout::kSectorBytes;
  out.cluster_shift =
      static_cast<uint32_t>(std::countr_zero(options.cluster_bytes / ExfatLayout::kSectorBytes));
  out.fat_count = options.fat_count;
  out.fat_offset = kFatOffsetSectors;
  const uint64_t sectors_per_cluster = uint64_t{1} << out.cluster_shift;
  // A FAT sized for every cluster the volume could hold is large enough for what remains.
  const uint64_t most_clusters = out.volume_sectors / sectors_per_cluster;
  const uint64_t fat_length =
      ((most_clusters + 2) * 4 + ExfatLayout::kSectorBytes - 1) / ExfatLayout::kSectorBytes;
  const uint64_t fat_end = out.fat_offset + fat_length * out.fat_count;
  const uint64_t heap =
      (fat_end + sectors_per_cluster - 1) / sectors_per_cluster * sectors_per_cluster;
  if (heap >= out.volume_sectors || fat_length > UINT32_MAX || heap > UINT32_MAX)
    return Status::Failure("the volume is too small for its FAT and one cluster");
  out.fat_length = static_cast<uint32_t>(fat_length);
  out.heap_offset = static_cast<uint32_t>(heap);
  const uint64_t clusters = (out.volume_sectors - heap) / sectors_per_cluster;
  if (clusters > kMaxClusterCount)
    return Status::Failure("exFAT holds at most 4294967285 clusters: make the clusters larger");
  out.cluster_count = static_cast<uint32_t>(clusters);
  out.bitmap_clusters = ClustersFor(out.BitmapBytes(), options.cluster_bytes);
  out.upcase_cluster = out.bitmap_cluster + out.bitmap_clusters;
  out.upcase_clusters = ClustersFor(upcase_bytes, options.cluster_bytes);
  out.root_cluster = out.upcase_cluster + out.upcase_clusters;
  if (!out.IsDataCluster(out.root_cluster))
    return Status::Failure("the volume is too small for its bitmap, up-case table and root");
  *layout = out;
  return {};
}

}  // namespace kova::mkcard
