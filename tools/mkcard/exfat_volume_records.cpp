#include <algorithm>

#include "cluster_list.h"
#include "exfat_boot_region.h"
#include "exfat_volume_writer.h"

// What an exFAT volume writes when the card is saved, and how it describes itself in the
// manifest.
namespace kova::mkcard {

namespace {

constexpr uint32_t kOemSectorOffset = 9 * ExfatLayout::kSectorBytes;

const char* BootDamageName(ExfatBootDamage damage) {
  switch (damage) {
    case ExfatBootDamage::kNone:
      return "none";
    case ExfatBootDamage::kZeroedBootSector:
      return "zeroed";
    case ExfatBootDamage::kBadChecksum:
      return "checksum";
  }
  return "none";
}

}  // namespace

uint32_t ExfatVolumeWriter::FreeCount() const {
  return static_cast<uint32_t>(std::count(allocated_.begin() + 2, allocated_.end(), false));
}

void ExfatVolumeWriter::Finish() {
  Bytes bitmap(layout_.BitmapBytes(), 0);
  for (uint32_t c = 2; c <= layout_.LastCluster(); ++c) {
    if (allocated_[c]) bitmap[(c - 2) / 8] |= static_cast<uint8_t>(1 << ((c - 2) % 8));
  }
  image_.Write(layout_.ClusterOffset(layout_.bitmap_cluster), bitmap);
  Bytes fat;
  for (uint32_t entry : fat_)
    AppendLE(fat, entry, 4);
  for (uint32_t copy = 0; copy < layout_.fat_count; ++copy)
    image_.Write(layout_.FatOffset(copy), fat);
  const uint64_t used = layout_.cluster_count - FreeCount();
  const auto percent =
      static_cast<uint8_t>(layout_.cluster_count ? used * 100 / layout_.cluster_count : 0);
  Bytes region = ExfatBootRegion(layout_, options_, percent);
  image_.Write(layout_.SectorOffset(ExfatLayout::kBootRegionSectors), region);
  if (damage_ == ExfatBootDamage::kZeroedBootSector) {
    std::fill(region.begin(), region.begin() + ExfatLayout::kSectorBytes, 0);
  } else if (damage_ == ExfatBootDamage::kBadChecksum) {
    region[kOemSectorOffset + 40] ^= 0xFF;
  }
  image_.Write(layout_.SectorOffset(0), region);
}

std::vector<Extent> ExfatVolumeWriter::ExtentsOf(const Node& node) const {
  if (node.kind == NodeKind::kRaw) return node.raw_extents;
  const uint64_t bytes = node.kind == NodeKind::kFolder
                             ? uint64_t{layout_.ClusterBytes()} * node.clusters.size()
                             : node.size;
  return ChainExtents(layout_.HeapOffset(), layout_.ClusterBytes(), node.clusters, bytes);
}

std::string ExfatVolumeWriter::FolderPathOf(const Node& node) const {
  std::string path;
  for (int at = node.parent; at > 0; at = nodes_[at].parent)
    path = path.empty() ? nodes_[at].utf8_name : nodes_[at].utf8_name + "/" + path;
  return path;
}

ManifestRecord ExfatVolumeWriter::RecordOf(const Node& node, const MediumBytes& medium) const {
  ManifestRecord r;
  r.volume = space_.number;
  r.path = node.path;
  r.state = node.state;
  r.folder = node.kind == NodeKind::kFolder;
  r.content = node.content_kind;
  r.size = r.folder ? 0 : node.size;
  r.width = node.width;
  r.height = node.height;
  r.first_cluster = node.clusters.empty() ? 0 : node.clusters.front();
  r.clusters = FormatClusterList(node.clusters);
  r.extents = ExtentsOf(node);
  if (node.kind != NodeKind::kRaw) {
    r.folder_path = FolderPathOf(node);
    r.long_name = node.utf8_name;
    r.entry_offset = static_cast<int64_t>(node.slots.front());
    r.time = FormatExfatStamp(node.time);
  }
  const bool inside = medium.Holds(r.extents);
  r.crc32 = r.folder ? medium.Crc(r.extents) : node.crc32;
  r.intact = inside && medium.Crc(r.extents) == r.crc32;
  return r;
}

ManifestVolume ExfatVolumeWriter::VolumeRecord() const {
  ManifestVolume v;
  v.number = space_.number;
  v.file_system = FileSystemName();
  v.volume_offset = layout_.volume_offset;
  v.volume_bytes = layout_.volume_sectors * ExfatLayout::kSectorBytes;
  v.sectors_per_cluster = 1u << layout_.cluster_shift;
  v.cluster_bytes = layout_.ClusterBytes();
  v.reserved_sectors = layout_.fat_offset;
  v.fat_count = layout_.fat_count;
  v.sectors_per_fat = layout_.fat_length;
  v.cluster_count = layout_.cluster_count;
  v.fat_offset = layout_.FatOffset(0);
  v.root_dir_offset = layout_.ClusterOffset(layout_.root_cluster);
  v.data_offset = layout_.HeapOffset();
  v.label = options_.label;
  v.serial = options_.serial;
  v.free_clusters = FreeCount();
  v.backup_boot_sector = ExfatLayout::kBootRegionSectors;
  v.boot_damage = BootDamageName(damage_);
  return v;
}

void ExfatVolumeWriter::AddRecords(const MediumBytes& medium,
                                   std::vector<ManifestRecord>* records) const {
  for (size_t i = 1; i < nodes_.size(); ++i)
    records->push_back(RecordOf(nodes_[i], medium));
}

}  // namespace kova::mkcard
