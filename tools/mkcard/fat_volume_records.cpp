#include "boot_records.h"
#include "cluster_list.h"
#include "fat_volume_writer.h"

// What a FAT volume writes when the card is saved, and how it describes itself in the manifest.
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

void FatVolumeWriter::Finish() {
  for (uint32_t copy = 0; copy < layout_.fat_count; ++copy) {
    image_.Write(layout_.FatOffset(copy), fat_.Encode(layout_.sectors_per_fat));
  }
  if (layout_.type != FatType::kFat32) return;
  const Bytes info = FsInfoSector(fat_.FreeCount(), high_water_);
  image_.Write(SectorOffset(1), info);
  image_.Write(SectorOffset(options_.backup_boot_sector + 1), info);
}

std::string FatVolumeWriter::FolderPathOf(const Node& node) const {
  std::string path;
  for (int at = node.parent; at > 0; at = nodes_[at].parent) {
    const Node& folder = nodes_[at];
    const std::string& name = folder.long_name.empty() ? folder.short_name : folder.long_name;
    path = path.empty() ? name : name + "/" + path;
  }
  return path;
}

ManifestRecord FatVolumeWriter::RecordOf(const Node& node, const MediumBytes& medium) const {
  ManifestRecord r;
  r.volume = space_.number;
  r.path = node.path;
  if (node.kind != NodeKind::kRaw) r.folder_path = FolderPathOf(node);
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
  const bool inside = medium.Holds(r.extents);
  if (r.folder) {
    r.crc32 = medium.Crc(r.extents);
    r.intact = inside;
  } else {
    r.crc32 = node.crc32;
    r.intact = inside && medium.Crc(r.extents) == node.crc32;
  }
  return r;
}

ManifestVolume FatVolumeWriter::VolumeRecord() const {
  ManifestVolume v;
  v.number = space_.number;
  v.file_system = FileSystemName();
  v.type = layout_.type;
  v.volume_offset = layout_.volume_offset;
  v.volume_bytes = uint64_t{layout_.volume_sectors} * VolumeLayout::kSectorBytes;
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
  v.code_page = options_.code_page;
  v.type_text = options_.type_text.value_or(FatTypeName(layout_.type));
  v.backup_boot_sector = layout_.type == FatType::kFat32 ? options_.backup_boot_sector : 0;
  v.boot_damage = BootDamageName(boot_damage_);
  v.bad_clusters = FormatClusterList(BadClusters(fat_, layout_));
  v.free_clusters = fat_.FreeCount();
  return v;
}

void FatVolumeWriter::AddRecords(const MediumBytes& medium,
                                 std::vector<ManifestRecord>* records) const {
  for (size_t i = 1; i < nodes_.size(); ++i)
    records->push_back(RecordOf(nodes_[i], medium));
}

}  // namespace kova::mkcard
