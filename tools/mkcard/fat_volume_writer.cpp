#include "fat_volume_writer.h"

#include <algorithm>
#include <set>

#include "boot_records.h"
#include "card_paths.h"
#include "cluster_list.h"
#include "medium_bytes.h"
#include "short_names.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kEntryBytes = 32;

}  // namespace

Status FatVolumeWriter::Create(const VolumeSpace& space, const VolumeOptions& options, DosTime time,
                               std::unique_ptr<FatVolumeWriter>* writer) {
  VolumeLayout layout;
  if (Status computed = ComputeLayout(options, space.offset, space.bytes, &layout); !computed)
    return computed;
  writer->reset(new FatVolumeWriter(space, options, layout, time));
  return {};
}

FatVolumeWriter::FatVolumeWriter(const VolumeSpace& space, const VolumeOptions& options,
                                 const VolumeLayout& layout, DosTime time)
    : space_(space),
      image_(*space.image),
      options_(options),
      layout_(layout),
      fat_(layout.type, layout.cluster_count, options.media),
      format_time_(time) {
  const Bytes boot = BootSector(layout, options);
  image_.Write(layout.volume_offset, boot);
  if (layout.type == FatType::kFat32) image_.Write(SectorOffset(options.backup_boot_sector), boot);
  Node root;
  root.kind = NodeKind::kFolder;
  root.time = time;
  if (layout.type == FatType::kFat32) {
    root.clusters = {2};
    fat_.Chain(root.clusters);
    high_water_ = 2;
  }
  nodes_.push_back(root);
  WriteLabelEntry();
}

uint8_t FatVolumeWriter::MbrPartitionType() const {
  switch (layout_.type) {
    case FatType::kFat12:
      return 0x01;
    case FatType::kFat16:
      return 0x0E;
    case FatType::kFat32:
      return 0x0C;
  }
  return 0x0C;
}

std::optional<uint64_t> FatVolumeWriter::ClusterOffset(uint32_t cluster) const {
  if (!layout_.IsDataCluster(cluster)) return std::nullopt;
  return layout_.ClusterOffset(cluster);
}

void FatVolumeWriter::WriteLabelEntry() {
  if (options_.label.empty() || options_.label == "NO NAME") return;
  const DirEntry entry = VolumeLabelEntry(options_.label, format_time_);
  image_.Write(SlotOffset(nodes_[0], 0), entry.data(), entry.size());
  nodes_[0].used_slots = 1;
}

bool FatVolumeWriter::IsLive(int index) const {
  const Node& node = nodes_[index];
  return node.state == EntryState::kLive && node.kind != NodeKind::kRaw;
}

bool FatVolumeWriter::Node::Named(std::string_view wanted) const {
  return wanted == path || wanted == long_path;
}

int FatVolumeWriter::FindLive(std::string_view path) const {
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (IsLive(static_cast<int>(i)) && nodes_[i].Named(path)) return static_cast<int>(i);
  }
  return -1;
}

int FatVolumeWriter::FindAny(std::string_view path) const {
  const int live = FindLive(path);
  if (live >= 0) return live;
  for (size_t i = nodes_.size(); i-- > 1;) {
    if (nodes_[i].Named(path)) return static_cast<int>(i);
  }
  return -1;
}

bool FatVolumeWriter::ShortNameTaken(int folder, const ShortNameBytes& field) const {
  return std::any_of(nodes_.begin(), nodes_.end(), [&](const Node& node) {
    return node.parent == folder && node.state == EntryState::kLive &&
           node.kind != NodeKind::kRaw && node.short_field == field;
  });
}

Status FatVolumeWriter::FindLiveFolder(std::string_view path, int* index) const {
  *index = FindLive(path);
  if (*index < 0) return Status::Failure("folder " + Quoted(path) + " does not exist");
  if (nodes_[*index].kind != NodeKind::kFolder)
    return Status::Failure(Quoted(path) + " is not a folder");
  return {};
}

uint32_t FatVolumeWriter::SlotCapacity(const Node& folder) const {
  if (&folder == &nodes_[0] && layout_.type != FatType::kFat32) return layout_.root_entries;
  return static_cast<uint32_t>(folder.clusters.size()) * (layout_.ClusterBytes() / kEntryBytes);
}

uint64_t FatVolumeWriter::SlotOffset(const Node& folder, uint32_t slot) const {
  if (&folder == &nodes_[0] && layout_.type != FatType::kFat32) {
    return layout_.RootDirOffset() + uint64_t{slot} * kEntryBytes;
  }
  const uint32_t per_cluster = layout_.ClusterBytes() / kEntryBytes;
  return layout_.ClusterOffset(folder.clusters.at(slot / per_cluster)) +
         uint64_t{slot % per_cluster} * kEntryBytes;
}

Status FatVolumeWriter::TakeFree(uint32_t count, uint32_t from,
                                 const std::vector<uint32_t>& excluded,
                                 std::vector<uint32_t>* clusters) const {
  return TakeFreeClusters(Area(), count, from, high_water_, IsFreeTest(), excluded, clusters);
}

Status FatVolumeWriter::PlanClusters(const Placement& placement, uint32_t count,
                                     std::vector<uint32_t>* clusters) const {
  return PlaceClusters(Area(), placement, count, high_water_, IsFreeTest(), clusters);
}

ClusterTest FatVolumeWriter::IsFreeTest() const {
  return [this](uint32_t c) { return fat_.IsFree(c); };
}

Status FatVolumeWriter::PlanEntry(std::string_view raw_path, const EntryOptions& entry,
                                  uint8_t attributes, EntryPlan* plan) const {
  const std::string path = CleanPath(raw_path);
  const std::string name = NameOf(path);
  if (path.empty()) return Status::Failure("the root folder cannot be made or written");
  if (Status found = FindLiveFolder(ParentOf(path), &plan->parent); !found) return found;
  if (FindLive(path) >= 0) return Status::Failure(Quoted(path) + " already exists");
  const uint16_t code_page = options_.code_page;
  ShortNameBytes field;
  if (entry.generate_short_name) {
    const auto taken = [this, plan](const ShortNameBytes& f) {
      return ShortNameTaken(plan->parent, f);
    };
    if (Status named = AliasOf(name, code_page, taken, &field); !named) return named;
    plan->short_name = ShortNameText(field, code_page);
    plan->long_name = plan->short_name == name ? "" : name;
  } else {
    if (Status named = ShortNameField(name, code_page, &field); !named) return named;
    if (ShortNameTaken(plan->parent, field))
      return Status::Failure(Quoted(path) + ": the short name is taken in its folder");
    plan->short_name = name;
    plan->long_name = entry.long_name;
  }
  const Node& parent = nodes_[plan->parent];
  const std::string shown = plan->long_name.empty() ? plan->short_name : plan->long_name;
  plan->path = parent.path.empty() ? plan->short_name : parent.path + "/" + plan->short_name;
  plan->long_path = parent.long_path.empty() ? shown : parent.long_path + "/" + shown;
  if (!plan->long_name.empty() && FindLive(plan->long_path) >= 0)
    return Status::Failure(Quoted(plan->long_path) + " already exists");
  plan->field = field;
  plan->entries.clear();
  if (!plan->long_name.empty()) {
    if (Status named = LongNameEntries(plan->long_name, field, &plan->entries); !named)
      return named;
  }
  plan->entries.push_back(ShortEntry(field, attributes, 0, 0, entry.time.value_or(format_time_)));
  return {};
}

Status FatVolumeWriter::PlanGrowth(EntryPlan* plan, const std::vector<uint32_t>& taken) const {
  const Node& parent = nodes_[plan->parent];
  const uint64_t needed_slots = uint64_t{parent.used_slots} + plan->entries.size();
  const uint32_t capacity = SlotCapacity(parent);
  if (needed_slots <= capacity) return {};
  if (plan->parent == 0 && layout_.type != FatType::kFat32) {
    return Status::Failure("the root folder is full (" + std::to_string(capacity) + " entries)");
  }
  const uint32_t per_cluster = layout_.ClusterBytes() / kEntryBytes;
  const uint32_t more =
      static_cast<uint32_t>((needed_slots - capacity + per_cluster - 1) / per_cluster);
  return TakeFree(more, 0, taken, &plan->growth);
}

void FatVolumeWriter::ChainClusters(const std::vector<uint32_t>& clusters, uint8_t reserved_bits) {
  fat_.Chain(clusters);
  for (uint32_t cluster : clusters)
    fat_.SetReservedBits(cluster, reserved_bits);
}

void FatVolumeWriter::ClaimClusters(const std::vector<uint32_t>& clusters) {
  for (uint32_t cluster : clusters)
    high_water_ = std::max(high_water_, cluster);
}

void FatVolumeWriter::ZeroClusters(const std::vector<uint32_t>& clusters) {
  for (uint32_t cluster : clusters)
    image_.Fill(layout_.ClusterOffset(cluster), layout_.ClusterBytes(), 0);
}

int FatVolumeWriter::CommitEntry(EntryPlan& plan, uint32_t first_cluster, uint32_t size) {
  Node& parent = nodes_[plan.parent];
  if (!plan.growth.empty()) {
    ZeroClusters(plan.growth);
    parent.clusters.insert(parent.clusters.end(), plan.growth.begin(), plan.growth.end());
    fat_.Chain(parent.clusters);
    if (parent.looped) fat_.Set(parent.clusters.back(), parent.clusters.front());
    ClaimClusters(plan.growth);
  }
  DirEntry& short_entry = plan.entries.back();
  PutLE(&short_entry[20], first_cluster >> 16, 2);
  PutLE(&short_entry[26], first_cluster & 0xFFFF, 2);
  PutLE(&short_entry[28], size, 4);
  Node node;
  node.path = plan.path;
  node.long_path = plan.long_path;
  node.short_name = plan.short_name;
  node.short_field = plan.field;
  node.long_name = plan.long_name;
  node.parent = plan.parent;
  node.time = {static_cast<uint16_t>(GetLE(&short_entry[24], 2)),
               static_cast<uint16_t>(GetLE(&short_entry[22], 2))};
  for (const DirEntry& entry : plan.entries) {
    const uint64_t offset = SlotOffset(nodes_[plan.parent], nodes_[plan.parent].used_slots++);
    image_.Write(offset, entry.data(), entry.size());
    if (&entry != &short_entry) node.long_entry_offsets.push_back(offset);
    node.entry_offset = static_cast<int64_t>(offset);
  }
  nodes_.push_back(std::move(node));
  return static_cast<int>(nodes_.size() - 1);
}

Status FatVolumeWriter::MakeFolder(std::string_view path, const EntryOptions& entry,
                                   const Placement& placement) {
  EntryPlan plan;
  if (Status planned = PlanEntry(path, entry, kAttrFolder, &plan); !planned) return planned;
  std::vector<uint32_t> clusters;
  const uint32_t count =
      placement.clusters.empty() ? 1 : static_cast<uint32_t>(placement.clusters.size());
  if (Status ok = PlanClusters(placement, count, &clusters); !ok) return ok;
  if (Status ok = PlanGrowth(&plan, clusters); !ok) return ok;

  ZeroClusters(clusters);
  fat_.Chain(clusters);
  ClaimClusters(clusters);
  const DosTime time = entry.time.value_or(format_time_);
  const uint32_t parent_cluster = plan.parent == 0 ? 0 : nodes_[plan.parent].clusters.front();
  const DirEntry dot = DotEntry(false, clusters.front(), time);
  const DirEntry dot_dot = DotEntry(true, parent_cluster, time);
  image_.Write(layout_.ClusterOffset(clusters.front()), dot.data(), dot.size());
  image_.Write(layout_.ClusterOffset(clusters.front()) + kEntryBytes, dot_dot.data(),
               dot_dot.size());
  const int index = CommitEntry(plan, clusters.front(), 0);
  Node& folder = nodes_[index];
  folder.kind = NodeKind::kFolder;
  folder.clusters = clusters;
  folder.used_slots = 2;
  folder.content_kind = "folder";
  return {};
}

Status FatVolumeWriter::WriteFile(std::string_view path, const Content& content,
                                  const Placement& placement, const EntryOptions& entry) {
  EntryPlan plan;
  if (Status planned = PlanEntry(path, entry, kAttrArchive, &plan); !planned) return planned;
  if (content.bytes.size() > UINT32_MAX)
    return Status::Failure("a FAT file holds at most 4 GiB - 1 bytes");
  if (placement.reserved_fat_bits > 0xF ||
      (placement.reserved_fat_bits != 0 && layout_.type != FatType::kFat32)) {
    return Status::Failure(
        "reserved table bits are the upper four bits of FAT32 entries (0 to 0xF)");
  }
  const uint64_t size = content.bytes.size();
  const uint32_t count =
      static_cast<uint32_t>((size + layout_.ClusterBytes() - 1) / layout_.ClusterBytes());
  std::vector<uint32_t> clusters;
  if (Status ok = PlanClusters(placement, count, &clusters); !ok) return ok;
  if (Status ok = PlanGrowth(&plan, clusters); !ok) return ok;

  ChainClusters(clusters, placement.reserved_fat_bits);
  ClaimClusters(clusters);
  uint64_t written = 0;
  for (uint32_t cluster : clusters) {
    const uint64_t part = std::min<uint64_t>(layout_.ClusterBytes(), size - written);
    image_.Write(layout_.ClusterOffset(cluster), content.bytes.data() + written, part);
    written += part;
  }
  const int index =
      CommitEntry(plan, clusters.empty() ? 0 : clusters.front(), static_cast<uint32_t>(size));
  Node& file = nodes_[index];
  file.clusters = clusters;
  file.content_kind = content.kind;
  file.size = size;
  file.width = content.width;
  file.height = content.height;
  file.crc32 = Crc32Of(content.bytes);
  return {};
}

void FatVolumeWriter::ReleaseBelow(int folder) {
  for (size_t i = 1; i < nodes_.size(); ++i) {
    Node& node = nodes_[i];
    // Entries deleted earlier gave up their clusters then; another file may hold them now.
    if (node.parent != folder || node.state != EntryState::kLive) continue;
    node.state = EntryState::kLost;
    if (node.kind == NodeKind::kLink) continue;
    fat_.Release(node.clusters);
    if (node.kind == NodeKind::kFolder) ReleaseBelow(static_cast<int>(i));
  }
}

Status FatVolumeWriter::Delete(std::string_view raw_path) {
  const std::string path = CleanPath(raw_path);
  if (path.empty()) return Status::Failure("the root folder cannot be deleted");
  const int index = FindLive(path);
  if (index < 0) return Status::Failure(Quoted(path) + " does not exist");
  Node& node = nodes_[index];
  const uint8_t mark = kDeletedMark;
  image_.Write(static_cast<uint64_t>(node.entry_offset), &mark, 1);
  for (uint64_t offset : node.long_entry_offsets)
    image_.Write(offset, &mark, 1);
  node.state = EntryState::kDeleted;
  if (node.kind == NodeKind::kLink) return {};
  fat_.Release(node.clusters);
  if (node.kind == NodeKind::kFolder) ReleaseBelow(index);
  return {};
}

ClusterArea FatVolumeWriter::Area() const {
  return {layout_.DataOffset(), layout_.ClusterBytes(), layout_.LastCluster()};
}

Status FatVolumeWriter::WriteRaw(uint64_t offset, const Content& content, std::string_view name) {
  Node node;
  if (Status ok = PlanRawWrite(
          Area(), offset, content.bytes.size(), [this](uint32_t c) { return fat_.IsFree(c); },
          &node.clusters);
      !ok) {
    return ok;
  }
  image_.Write(offset, content.bytes);
  node.kind = NodeKind::kRaw;
  DescribeRawWrite(offset, content, name, &raw_count_, &node);
  nodes_.push_back(std::move(node));
  return {};
}

Status FatVolumeWriter::Wipe(const std::vector<uint32_t>& clusters, uint8_t value) {
  return WipeClusters(image_, Area(), clusters, value);
}

const char* BootDamageName(BootDamage damage) {
  switch (damage) {
    case BootDamage::kNone:
      return "none";
    case BootDamage::kZeroed:
      return "zeroed";
    case BootDamage::kBiosParameters:
      return "bios-parameters";
  }
  return "none";
}

Status FatVolumeWriter::DamageBootSector(BootDamage damage) {
  const uint64_t boot = SectorOffset(0);
  if (damage == BootDamage::kZeroed) image_.Fill(boot, VolumeLayout::kSectorBytes, 0);
  if (damage == BootDamage::kBiosParameters) {
    image_.Fill(boot, 3, 0);        // jump
    image_.Fill(boot + 11, 3, 0);   // bytes per sector, sectors per cluster
    image_.Fill(boot + 510, 2, 0);  // signature
  }
  boot_damage_ = damage;
  return {};
}

Status FatVolumeWriter::MarkBad(const std::vector<uint32_t>& clusters) {
  for (uint32_t cluster : clusters) {
    if (!layout_.IsDataCluster(cluster))
      return Status::Failure("cluster " + std::to_string(cluster) + " does not exist");
    if (!fat_.IsFree(cluster))
      return Status::Failure("cluster " + std::to_string(cluster) + " is in use");
  }
  for (uint32_t cluster : clusters)
    fat_.Set(cluster, fat_.BadMarker());
  return {};
}

Status FatVolumeWriter::LoopFolder(std::string_view raw_path) {
  const std::string path = CleanPath(raw_path);
  int index = -1;
  if (Status found = FindLiveFolder(path, &index); !found) return found;
  Node& folder = nodes_[index];
  if (folder.clusters.empty())
    return Status::Failure("the FAT12/FAT16 root folder has no cluster chain");
  fat_.Set(folder.clusters.back(), folder.clusters.front());
  folder.looped = true;
  return {};
}

Status FatVolumeWriter::LinkFolder(std::string_view folder, std::string_view short_name,
                                   std::string_view target, DosTime time) {
  int target_index = -1;
  if (Status found = FindLiveFolder(CleanPath(target), &target_index); !found) return found;
  const std::string folder_path = CleanPath(folder);
  const std::string path =
      folder_path.empty() ? std::string(short_name) : folder_path + "/" + std::string(short_name);
  EntryPlan plan;
  EntryOptions entry;
  entry.time = time;
  if (Status planned = PlanEntry(path, entry, kAttrFolder, &plan); !planned) return planned;
  if (Status ok = PlanGrowth(&plan, {}); !ok) return ok;
  const Node& target_node = nodes_[target_index];
  const uint32_t first = target_node.clusters.empty() ? 0 : target_node.clusters.front();
  const std::string target_path = target_node.path;
  const int index = CommitEntry(plan, first, 0);
  nodes_[index].kind = NodeKind::kLink;
  nodes_[index].link_to = target_path;
  nodes_[index].content_kind = "folder";
  if (first != 0) nodes_[index].clusters = {first};
  return {};
}

Status FatVolumeWriter::ClusterOf(std::string_view reference, uint32_t* cluster) const {
  std::string path;
  uint32_t nth = 0;
  if (Status ok = ParseClusterReference(reference, &path, &nth); !ok) return ok;
  const int index = FindAny(path);
  if (index <= 0) return Status::Failure("nothing named " + Quoted(path) + " was written");
  return NthCluster(path, nodes_[index].clusters, nth, cluster);
}

}  // namespace kova::mkcard
