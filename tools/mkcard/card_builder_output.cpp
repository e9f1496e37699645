#include <zlib.h>

#include <algorithm>

#include "boot_records.h"
#include "card_builder.h"
#include "cluster_list.h"

namespace kova::mkcard {

namespace {

std::vector<uint32_t> BadClusters(const FatTable& fat, const VolumeLayout& layout) {
  std::vector<uint32_t> bad;
  for (uint32_t c = 2; c <= layout.LastCluster(); ++c) {
    if (fat.Get(c) == fat.BadMarker()) bad.push_back(c);
  }
  return bad;
}

}  // namespace

uint64_t CardBuilder::ImageBytes() const {
  return std::min(layout_.image_bytes, truncated_to_);
}

Bytes CardBuilder::ReadImage(uint64_t offset, uint64_t count) const {
  const uint64_t end = ImageBytes();
  if (offset >= end) return {};
  return image_.Read(offset, std::min(count, end - offset));
}

uint32_t CardBuilder::CrcOf(const std::vector<Extent>& extents) const {
  uLong crc = crc32(0, Z_NULL, 0);
  for (const Extent& e : extents) {
    const Bytes bytes = ReadImage(e.offset, e.size);
    crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
  }
  return static_cast<uint32_t>(crc);
}

void CardBuilder::Finalize() {
  for (uint32_t copy = 0; copy < layout_.fat_count; ++copy) {
    image_.Write(layout_.FatOffset(copy), fat_.Encode(layout_.sectors_per_fat));
  }
  if (layout_.type != FatType::kFat32) return;
  const Bytes info = FsInfoSector(fat_.FreeCount(), high_water_);
  image_.Write(layout_.volume_offset + VolumeLayout::kSectorBytes, info);
  image_.Write(layout_.volume_offset + 7 * VolumeLayout::kSectorBytes, info);
}

ManifestRecord CardBuilder::RecordOf(const Node& node) const {
  ManifestRecord r;
  r.path = node.path;
  r.short_name = node.short_name;
  r.long_name = node.long_name;
  r.state = node.state;
  r.folder = node.kind == NodeKind::kFolder || node.kind == NodeKind::kLink;
  r.link_to = node.link_to;
  r.looped = node.looped;
  r.content = node.content_kind;
  r.size = node.size;
  r.width = node.width;
  r.height = node.height;
  r.first_cluster = node.clusters.empty() ? 0 : node.clusters.front();
  r.clusters = FormatClusterList(node.clusters);
  if (node.kind == NodeKind::kRaw) {
    r.extents = node.raw_extents;
  } else if (node.kind == NodeKind::kFolder) {
    r.extents = ChainExtents(layout_, node.clusters,
                             uint64_t{layout_.ClusterBytes()} * node.clusters.size());
  } else if (node.kind == NodeKind::kFile) {
    r.extents = ChainExtents(layout_, node.clusters, node.size);
  }
  r.entry_offset = node.entry_offset;
  if (node.kind != NodeKind::kRaw) r.time = FormatDosTime(node.time);
  const bool inside = std::all_of(r.extents.begin(), r.extents.end(), [this](const Extent& e) {
    return e.offset + e.size <= ImageBytes();
  });
  if (r.folder) {
    r.crc32 = CrcOf(r.extents);
    r.intact = inside;
  } else {
    r.crc32 = node.crc32;
    r.intact = inside && CrcOf(r.extents) == node.crc32;
  }
  return r;
}

Manifest CardBuilder::MakeManifest() const {
  Manifest m;
  ManifestVolume& v = m.volume;
  v.type = layout_.type;
  v.image_bytes = ImageBytes();
  v.volume_offset = layout_.volume_offset;
  v.sectors_per_cluster = layout_.sectors_per_cluster;
  v.cluster_bytes = layout_.ClusterBytes();
  v.reserved_sectors = layout_.reserved_sectors;
  v.fat_count = layout_.fat_count;
  v.root_entries = layout_.root_entries;
  v.sectors_per_fat = layout_.sectors_per_fat;
  v.cluster_count = layout_.cluster_count;
  v.fat_offset = layout_.FatOffset(0);
  v.root_dir_offset = layout_.RootDirOffset();
  v.data_offset = layout_.DataOffset();
  v.label = options_.label;
  v.serial = options_.serial;
  v.bad_clusters = FormatClusterList(BadClusters(fat_, layout_));
  v.free_clusters = fat_.FreeCount();
  for (size_t i = 1; i < nodes_.size(); ++i)
    m.records.push_back(RecordOf(nodes_[i]));
  return m;
}

Status CardBuilder::Save(const std::filesystem::path& image,
                         const std::filesystem::path& manifest) {
  if (!formatted_) return Status::Failure("the card has no volume yet");
  Finalize();
  Status saved;
  if (ImageBytes() < image_.Size()) {
    SparseImage cut = image_;
    cut.Resize(ImageBytes());
    saved = cut.SaveTo(image);
  } else {
    saved = image_.SaveTo(image);
  }
  if (!saved) return saved;
  if (manifest.empty()) return {};
  return SaveFileAtomically(manifest, ManifestToJsonLines(MakeManifest()));
}

}  // namespace kova::mkcard
