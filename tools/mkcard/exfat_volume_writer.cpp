#include "exfat_volume_writer.h"

#include <algorithm>
#include <set>

#include "card_builder.h"
#include "card_paths.h"
#include "cluster_list.h"
#include "exfat_upcase.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kEntryBytes = 32;
constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
constexpr uint32_t kMediaEntry = 0xFFFFFFF8;

bool SameName(std::u16string_view a, std::u16string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return ExfatUpcase(x) == ExfatUpcase(y); });
}

bool Contiguous(const std::vector<uint32_t>& clusters) {
  for (size_t i = 1; i < clusters.size(); ++i) {
    if (clusters[i] != clusters[i - 1] + 1) return false;
  }
  return true;
}

}  // namespace

Status ExfatVolumeWriter::Create(const VolumeSpace& space, const ExfatOptions& options,
                                 DosTime time, std::unique_ptr<ExfatVolumeWriter>* writer) {
  ExfatLayout layout;
  if (Status ok = ComputeExfatLayout(options, space.offset, space.bytes, ExfatUpcaseTable().size(),
                                     &layout);
      !ok) {
    return ok;
  }
  if (!options.label.empty()) {
    std::u16string label;
    if (Status ok = ExfatNameOf(options.label, &label); !ok) return ok;
    if (label.size() > kExfatLabelChars)
      return Status::Failure("an exFAT label has at most 11 characters");
  }
  writer->reset(new ExfatVolumeWriter(space, options, layout, time));
  return {};
}

ExfatVolumeWriter::ExfatVolumeWriter(const VolumeSpace& space, const ExfatOptions& options,
                                     const ExfatLayout& layout, DosTime time)
    : space_(space),
      image_(*space.image),
      options_(options),
      layout_(layout),
      fat_(size_t{layout.cluster_count} + 2, 0),
      allocated_(size_t{layout.cluster_count} + 2, false),
      format_time_{time} {
  fat_[0] = kMediaEntry;
  fat_[1] = kEndOfChain;
  auto run = [](uint32_t first, uint32_t count) {
    std::vector<uint32_t> clusters(count);
    for (uint32_t i = 0; i < count; ++i)
      clusters[i] = first + i;
    return clusters;
  };
  Allocate(run(layout.bitmap_cluster, layout.bitmap_clusters), true);
  Allocate(run(layout.upcase_cluster, layout.upcase_clusters), true);
  image_.Write(layout.ClusterOffset(layout.upcase_cluster), ExfatUpcaseTable());
  Node root;
  root.kind = NodeKind::kFolder;
  root.clusters = {layout.root_cluster};
  root.time = format_time_;
  Allocate(root.clusters, true);
  ZeroClusters(root.clusters);
  nodes_.push_back(root);
  WriteRootEntries();
}

void ExfatVolumeWriter::WriteRootEntries() {
  Node& root = nodes_[0];
  std::vector<ExfatEntry> entries;
  if (!options_.label.empty()) {
    std::u16string label;
    (void)ExfatNameOf(options_.label, &label);
    entries.push_back(ExfatLabelEntry(label));
  }
  entries.push_back(ExfatBitmapEntry(layout_.bitmap_cluster, layout_.BitmapBytes()));
  const Bytes upcase = ExfatUpcaseTable();
  uint32_t checksum = 0;
  for (uint8_t byte : upcase)
    checksum = ExfatRotatingSum(checksum, byte);
  entries.push_back(ExfatUpcaseEntry(layout_.upcase_cluster, upcase.size(), checksum));
  for (const ExfatEntry& entry : entries)
    image_.Write(SlotOffset(root, root.used_slots++), entry.data(), entry.size());
}

int ExfatVolumeWriter::FindLive(std::string_view path) const {
  for (size_t i = 1; i < nodes_.size(); ++i) {
    if (nodes_[i].state == EntryState::kLive && nodes_[i].path == path) return static_cast<int>(i);
  }
  return path.empty() ? 0 : -1;
}

int ExfatVolumeWriter::FindAny(std::string_view path) const {
  const int live = FindLive(path);
  if (live >= 0) return live;
  for (size_t i = nodes_.size(); i-- > 1;) {
    if (nodes_[i].path == path) return static_cast<int>(i);
  }
  return -1;
}

uint64_t ExfatVolumeWriter::SlotOffset(const Node& folder, uint32_t slot) const {
  const uint32_t per_cluster = layout_.ClusterBytes() / kEntryBytes;
  return layout_.ClusterOffset(folder.clusters.at(slot / per_cluster)) +
         uint64_t{slot % per_cluster} * kEntryBytes;
}

bool ExfatVolumeWriter::IsAllocated(uint32_t cluster) const {
  return layout_.IsDataCluster(cluster) && allocated_[cluster];
}

Status ExfatVolumeWriter::TakeFree(uint32_t count, uint32_t from,
                                   const std::vector<uint32_t>& excluded,
                                   std::vector<uint32_t>* clusters) const {
  return TakeFreeClusters(Area(), count, from, high_water_, IsFreeTest(), excluded, clusters);
}

Status ExfatVolumeWriter::PlanClusters(const ExfatPlacement& placement, uint32_t count,
                                       std::vector<uint32_t>* clusters) const {
  return PlaceClusters(Area(), placement, count, high_water_, IsFreeTest(), clusters);
}

ClusterTest ExfatVolumeWriter::IsFreeTest() const {
  return [this](uint32_t c) { return !allocated_[c]; };
}

Status ExfatVolumeWriter::PlanEntry(std::string_view raw_path, std::string_view name,
                                    EntryPlan* plan) const {
  plan->path = CleanPath(raw_path);
  if (plan->path.empty()) return Status::Failure("the root folder cannot be made or written");
  plan->parent = FindLive(ParentOf(plan->path));
  if (plan->parent < 0 || nodes_[plan->parent].kind != NodeKind::kFolder)
    return Status::Failure("folder " + Quoted(ParentOf(plan->path)) + " does not exist");
  plan->utf8_name = name.empty() ? NameOf(plan->path) : std::string(name);
  if (Status ok = ExfatNameOf(plan->utf8_name, &plan->name); !ok) return ok;
  for (size_t i = 1; i < nodes_.size(); ++i) {
    const Node& n = nodes_[i];
    if (n.state == EntryState::kLive && n.kind != NodeKind::kRaw && n.parent == plan->parent &&
        SameName(n.name, plan->name))
      return Status::Failure(Quoted(plan->path) + " already exists");
  }
  plan->entries = 2 + (plan->name.size() + kExfatNameChars - 1) / kExfatNameChars;
  return {};
}

Status ExfatVolumeWriter::PlanGrowth(EntryPlan* plan, const std::vector<uint32_t>& taken) const {
  const Node& parent = nodes_[plan->parent];
  const uint32_t per_cluster = layout_.ClusterBytes() / kEntryBytes;
  const uint64_t needed = uint64_t{parent.used_slots} + plan->entries;
  const uint64_t capacity = uint64_t{per_cluster} * parent.clusters.size();
  plan->growth.clear();
  if (needed <= capacity) return {};
  const uint32_t more = static_cast<uint32_t>((needed - capacity + per_cluster - 1) / per_cluster);
  // A folder grows into the clusters right after it while they are free, else anywhere.
  const uint32_t next = parent.clusters.back() + 1;
  return TakeFree(more, layout_.IsDataCluster(next) ? next : 0, taken, &plan->growth);
}

void ExfatVolumeWriter::Chain(const std::vector<uint32_t>& clusters) {
  for (size_t i = 0; i < clusters.size(); ++i)
    fat_[clusters[i]] = i + 1 < clusters.size() ? clusters[i + 1] : kEndOfChain;
}

void ExfatVolumeWriter::Allocate(const std::vector<uint32_t>& clusters, bool chain) {
  for (uint32_t cluster : clusters) {
    allocated_[cluster] = true;
    high_water_ = std::max(high_water_, cluster);
  }
  if (chain) Chain(clusters);
}

void ExfatVolumeWriter::ZeroClusters(const std::vector<uint32_t>& clusters) {
  for (uint32_t cluster : clusters)
    image_.Fill(layout_.ClusterOffset(cluster), layout_.ClusterBytes(), 0);
}

void ExfatVolumeWriter::GrowFolder(int index, const std::vector<uint32_t>& clusters) {
  Node& folder = nodes_[index];
  folder.clusters.insert(folder.clusters.end(), clusters.begin(), clusters.end());
  if (folder.no_fat_chain && !Contiguous(folder.clusters)) folder.no_fat_chain = false;
  Allocate(clusters, false);
  if (!folder.no_fat_chain) Chain(folder.clusters);
  ZeroClusters(clusters);
  folder.size = uint64_t{layout_.ClusterBytes()} * folder.clusters.size();
  folder.valid_size = folder.size;
  if (index != 0) WriteSet(folder);
}

void ExfatVolumeWriter::WriteSet(const Node& node) {
  ExfatFileSet set;
  set.name = node.name;
  set.attributes = node.kind == NodeKind::kFolder ? kExfatAttrFolder : kExfatAttrArchive;
  set.created = set.modified = set.accessed = node.time;
  set.accessed.centiseconds = 0;
  set.first_cluster = node.clusters.empty() ? 0 : node.clusters.front();
  set.data_length = node.size;
  set.valid_data_length = node.valid_size;
  set.no_fat_chain = node.no_fat_chain;
  std::vector<ExfatEntry> entries = ExfatFileEntries(set);
  if (node.broken_checksum) entries[0][2] ^= 0x5A;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (node.state != EntryState::kLive) entries[i][0] &= ~kExfatInUse;
    image_.Write(node.slots[i], entries[i].data(), entries[i].size());
  }
}

int ExfatVolumeWriter::Commit(EntryPlan& plan, Node node, const std::vector<uint32_t>& clusters,
                              bool fat_chain) {
  if (!plan.growth.empty()) GrowFolder(plan.parent, plan.growth);
  node.no_fat_chain = !clusters.empty() && !fat_chain && Contiguous(clusters);
  Allocate(clusters, !node.no_fat_chain);
  Node& parent = nodes_[plan.parent];
  for (size_t i = 0; i < plan.entries; ++i)
    node.slots.push_back(SlotOffset(parent, parent.used_slots++));
  node.path = plan.path;
  node.name = plan.name;
  node.utf8_name = plan.utf8_name;
  node.parent = plan.parent;
  node.clusters = clusters;
  nodes_.push_back(std::move(node));
  WriteSet(nodes_.back());
  return static_cast<int>(nodes_.size() - 1);
}

Status ExfatVolumeWriter::MakeExfatFolder(std::string_view path, const ExfatPlacement& placement,
                                          const ExfatEntryOptions& entry) {
  EntryPlan plan;
  if (Status ok = PlanEntry(path, entry.name, &plan); !ok) return ok;
  const uint32_t count =
      placement.clusters.empty() ? 1 : static_cast<uint32_t>(placement.clusters.size());
  std::vector<uint32_t> clusters;
  if (Status ok = PlanClusters(placement, count, &clusters); !ok) return ok;
  if (Status ok = PlanGrowth(&plan, clusters); !ok) return ok;
  ZeroClusters(clusters);
  Node folder;
  folder.kind = NodeKind::kFolder;
  folder.time = entry.time.value_or(format_time_);
  folder.size = folder.valid_size = uint64_t{layout_.ClusterBytes()} * clusters.size();
  folder.content_kind = "folder";
  Commit(plan, folder, clusters, placement.fat_chain);
  return {};
}

Status ExfatVolumeWriter::WriteExfatFile(std::string_view path, const Content& content,
                                         const ExfatPlacement& placement,
                                         const ExfatEntryOptions& entry) {
  EntryPlan plan;
  if (Status ok = PlanEntry(path, entry.name, &plan); !ok) return ok;
  const uint64_t size = content.bytes.size();
  const uint64_t valid = entry.valid_data_length.value_or(size);
  if (valid > size) return Status::Failure("the valid data length exceeds the file's size");
  const uint64_t count = (size + layout_.ClusterBytes() - 1) / layout_.ClusterBytes();
  if (count > layout_.cluster_count) return Status::Failure("the file is larger than the card");
  std::vector<uint32_t> clusters;
  if (Status ok = PlanClusters(placement, static_cast<uint32_t>(count), &clusters); !ok) return ok;
  if (Status ok = PlanGrowth(&plan, clusters); !ok) return ok;
  uint64_t written = 0;
  for (uint32_t cluster : clusters) {
    const uint64_t part = std::min<uint64_t>(layout_.ClusterBytes(), size - written);
    image_.Write(layout_.ClusterOffset(cluster), content.bytes.data() + written, part);
    written += part;
  }
  Node file;
  file.time = entry.time.value_or(format_time_);
  file.size = size;
  file.valid_size = valid;
  file.content_kind = content.kind;
  file.width = content.width;
  file.height = content.height;
  const int index = Commit(plan, file, clusters, placement.fat_chain);
  nodes_[index].crc32 = Crc32Of(content.bytes);
  return {};
}

void ExfatVolumeWriter::MarkDeleted(int index) {
  Node& node = nodes_[index];
  node.state = EntryState::kDeleted;
  for (uint32_t cluster : node.clusters)
    allocated_[cluster] = false;
  WriteSet(node);
  if (node.kind != NodeKind::kFolder) return;
  for (size_t i = 1; i < nodes_.size(); ++i) {
    if (nodes_[i].parent == index && nodes_[i].state == EntryState::kLive)
      MarkDeleted(static_cast<int>(i));
  }
}

Status ExfatVolumeWriter::Delete(std::string_view raw_path) {
  const std::string path = CleanPath(raw_path);
  if (path.empty()) return Status::Failure("the root folder cannot be deleted");
  const int index = FindLive(path);
  if (index < 0) return Status::Failure(Quoted(path) + " does not exist");
  MarkDeleted(index);
  return {};
}

Status ExfatVolumeWriter::BreakSetChecksum(std::string_view raw_path) {
  const int index = FindAny(CleanPath(raw_path));
  if (index <= 0) return Status::Failure("nothing named " + Quoted(raw_path) + " was written");
  nodes_[index].broken_checksum = true;
  WriteSet(nodes_[index]);
  return {};
}

Status ExfatVolumeWriter::ClusterOf(std::string_view reference, uint32_t* cluster) const {
  std::string path;
  uint32_t nth = 0;
  if (Status ok = ParseClusterReference(reference, &path, &nth); !ok) return ok;
  const int index = FindAny(path);
  if (index <= 0) return Status::Failure("nothing named " + Quoted(path) + " was written");
  return NthCluster(path, nodes_[index].clusters, nth, cluster);
}

std::optional<uint64_t> ExfatVolumeWriter::ClusterOffset(uint32_t cluster) const {
  if (!layout_.IsDataCluster(cluster)) return std::nullopt;
  return layout_.ClusterOffset(cluster);
}

Status ExfatVolumeWriter::MakeFolder(std::string_view path, const EntryOptions& entry,
                                     const Placement& placement) {
  return MakeExfatFolder(path, ExfatPlacement{placement},
                         {entry.long_name, ExfatStamp{entry.time.value_or(format_time_.time)}, {}});
}

Status ExfatVolumeWriter::WriteFile(std::string_view path, const Content& content,
                                    const Placement& placement, const EntryOptions& entry) {
  return WriteExfatFile(path, content, ExfatPlacement{placement},
                        {entry.long_name, ExfatStamp{entry.time.value_or(format_time_.time)}, {}});
}

ClusterArea ExfatVolumeWriter::Area() const {
  return {layout_.HeapOffset(), layout_.ClusterBytes(), layout_.LastCluster()};
}

Status ExfatVolumeWriter::WriteRaw(uint64_t offset, const Content& content, std::string_view name) {
  Node node;
  if (Status ok = PlanRawWrite(
          Area(), offset, content.bytes.size(), [this](uint32_t c) { return !allocated_[c]; },
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

Status ExfatVolumeWriter::Wipe(const std::vector<uint32_t>& clusters, uint8_t value) {
  return WipeClusters(image_, Area(), clusters, value);
}

Status FormatExfat(CardBuilder* card, const ExfatOptions& options, ExfatVolumeWriter** writer) {
  const OwnCard own{options.card_bytes, options.partition_lba, options.partition_type,
                    options.serial ^ 0x5A5A5A5A};
  const DosTime time = card->Time();
  return card->PlaceVolume(own, [&](const VolumeSpace& space, std::unique_ptr<VolumeWriter>* made) {
    std::unique_ptr<ExfatVolumeWriter> exfat;
    if (Status ok = ExfatVolumeWriter::Create(space, options, time, &exfat); !ok) return ok;
    if (writer) *writer = exfat.get();
    *made = std::move(exfat);
    return Status();
  });
}

}  // namespace kova::mkcard
