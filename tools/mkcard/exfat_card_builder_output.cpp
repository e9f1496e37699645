#include <zlib.h>

#include <algorithm>

#include "card_paths.h"
#include "cluster_list.h"
#include "exfat_boot_region.h"
#include "exfat_card_builder.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kOemSectorOffset = 9 * ExfatLayout::kSectorBytes;

const char* DamageName(ExfatBootDamage damage) {
  switch (damage) {
    case ExfatBootDamage::kNone:
      return "none";
    case ExfatBootDamage::kZeroedBootSector:
      return "zeroed-boot-sector";
    case ExfatBootDamage::kBadChecksum:
      return "bad-checksum";
  }
  return "none";
}

}  // namespace

Bytes ExfatCardBuilder::ReadImage(uint64_t offset, uint64_t count) const {
  if (offset >= image_.Size()) return {};
  return image_.Read(offset, std::min(count, image_.Size() - offset));
}

uint32_t ExfatCardBuilder::CrcOf(const std::vector<Extent>& extents) const {
  uLong crc = crc32(0, Z_NULL, 0);
  for (const Extent& e : extents) {
    const Bytes bytes = ReadImage(e.offset, e.size);
    crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
  }
  return static_cast<uint32_t>(crc);
}

std::vector<Extent> ExfatCardBuilder::ExtentsOf(const Node& node) const {
  const uint64_t bytes =
      node.folder ? uint64_t{layout_.ClusterBytes()} * node.clusters.size() : node.size;
  return ChainExtents(layout_.HeapOffset(), layout_.ClusterBytes(), node.clusters, bytes);
}

uint32_t ExfatCardBuilder::FreeCount() const {
  return static_cast<uint32_t>(std::count(allocated_.begin() + 2, allocated_.end(), false));
}

ManifestRecord ExfatCardBuilder::RecordOf(const Node& node) const {
  ManifestRecord r;
  r.path = node.path;
  r.long_name = NameOf(node.path);
  r.state = node.state;
  r.folder = node.folder;
  r.content = node.content_kind;
  r.size = node.folder ? 0 : node.size;
  r.width = node.width;
  r.height = node.height;
  r.first_cluster = node.clusters.empty() ? 0 : node.clusters.front();
  r.clusters = FormatClusterList(node.clusters);
  r.extents = ExtentsOf(node);
  r.entry_offset = static_cast<int64_t>(node.slots.front());
  r.time = FormatExfatStamp(node.time);
  const uint32_t now = CrcOf(r.extents);
  r.crc32 = node.folder ? now : node.crc32;
  r.intact = now == r.crc32;
  return r;
}

ExfatManifest ExfatCardBuilder::MakeManifest() const {
  ExfatManifest m;
  ExfatManifestVolume& v = m.volume;
  v.image_bytes = layout_.image_bytes;
  v.volume_offset = layout_.volume_offset;
  v.volume_sectors = layout_.volume_sectors;
  v.cluster_bytes = layout_.ClusterBytes();
  v.fat_offset = layout_.FatOffset(0);
  v.fat_sectors = layout_.fat_length;
  v.fat_count = layout_.fat_count;
  v.heap_offset = layout_.HeapOffset();
  v.cluster_count = layout_.cluster_count;
  v.root_cluster = layout_.root_cluster;
  v.bitmap_cluster = layout_.bitmap_cluster;
  v.upcase_cluster = layout_.upcase_cluster;
  v.label = options_.label;
  v.serial = options_.serial;
  v.free_clusters = FreeCount();
  v.boot_damage = DamageName(damage_);
  for (size_t i = 1; i < nodes_.size(); ++i)
    m.records.push_back(RecordOf(nodes_[i]));
  return m;
}

void ExfatCardBuilder::Finalize() {
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

Status ExfatCardBuilder::Save(const std::filesystem::path& image,
                              const std::filesystem::path& manifest) {
  if (!formatted_) return Status::Failure("the card has no volume yet");
  Finalize();
  if (Status saved = image_.SaveTo(image); !saved) return saved;
  if (manifest.empty()) return {};
  return SaveFileAtomically(manifest, ExfatManifestToJsonLines(MakeManifest()));
}

}  // namespace kova::mkcard
