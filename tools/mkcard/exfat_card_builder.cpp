#include "exfat_card_builder.h"

#include <algorithm>
#include <set>

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

Status ExfatCardBuilder::Format(const ExfatOptions& options) {
  const Bytes upcase = ExfatUpcaseTable();
  ExfatLayout layout;
  if (Status ok = ComputeExfatLayout(options, upcase.size(), &layout); !ok) return ok;
  std::u16string label;
  if (!options.label.empty()) {
    if (Status ok = ExfatNameOf(options.label, &label); !ok) return ok;
    if (label.size() > kExfatLabelChars)
      return Status::Failure("an exFAT label has at most 11 characters");
  }
  *this = ExfatCardBuilder();
  options_ = options;
  layout_ = layout;
  image_ = SparseImage(layout.image_bytes);
  fat_.assign(size_t{layout.cluster_count} + 2, 0);
  fat_[0] = kMediaEntry;
  fat_[1] = kEndOfChain;
  allocated_.assign(size_t{layout.cluster_count} + 2, false);
  time_ = {*ParseDosTime("2024-05-18 10:00:00"), 0, 8, true};
  formatted_ = true;
  auto run = [](uint32_t first, uint32_t count) {
    std::vector<uint32_t> clusters(count);
    for (uint32_t i = 0; i < count; ++i)
      clusters[i] = first + i;
    return clusters;
  };
  Allocate(run(layout.bitmap_cluster, layout.bitmap_clusters), true);
  Allocate(run(layout.upcase_cluster, layout.upcase_clusters), true);
  image_.Write(layout.ClusterOffset(layout.upcase_cluster), upcase);
  Node root;
  root.folder = true;
  root.clusters = {layout.root_cluster};
  root.time = time_;
  Allocate(root.clusters, true);
  ZeroClusters(root.clusters);
  nodes_.push_back(root);
  WriteRootEntries();
  return {};
}

void ExfatCardBuilder::WriteRootEntries() {
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

int ExfatCardBuilder::FindLive(std::string_view path) const {
  for (size_t i = 1; i < nodes_.size(); ++i) {
    if (nodes_[i].state == EntryState::kLive && nodes_[i].path == path) return static_cast<int>(i);
  }
  return path.empty() ? 0 : -1;
}

int ExfatCardBuilder::FindAny(std::string_view path) const {
  const int live = FindLive(path);
  if (live >= 0) return live;
  for (size_t i = nodes_.size(); i-- > 1;) {
    if (nodes_[i].path == path) return static_cast<int>(i);
  }
  return -1;
}

uint64_t ExfatCardBuilder::SlotOffset(const Node& folder, uint32_t slot) const {
  const uint32_t per_cluster = layout_.ClusterBytes() / kEntryBytes;
  return layout_.ClusterOffset(folder.clusters.at(slot / per_cluster)) +
         uint64_t{slot % per_cluster} * kEntryBytes;
}

bool ExfatCardBuilder::IsAllocated(uint32_t cluster) const {
  return layout_.IsDataCluster(cluster) && allocated_[cluster];
}

Status ExfatCardBuilder::TakeFree(uint32_t count, uint32_t from,
                                  const std::vector<uint32_t>& excluded,
                                  std::vector<uint32_t>* clusters) const {
  clusters->clear();
  if (count == 0) return {};
  const uint32_t total = layout_.cluster_count;
  uint32_t start = from != 0 ? from : high_water_ + 1;
  if (!layout_.IsDataCluster(start)) start = 2;
  for (uint64_t step = 0; step < total && clusters->size() < count; ++step) {
    const uint32_t cluster = static_cast<uint32_t>(2 + (start - 2 + step) % total);
    if (!allocated_[cluster] &&
        std::find(excluded.begin(), excluded.end(), cluster) == excluded.end()) {
      clusters->push_back(cluster);
    }
  }
  if (clusters->size() < count) {
    clusters->clear();
    return Status::Failure("the card is full: " + std::to_string(count) +
                           " free clusters needed, " + std::to_string(FreeCount()) + " left");
  }
  return {};
}

Status ExfatCardBuilder::PlanClusters(const ExfatPlacement& placement, uint32_t count,
                                      std::vector<uint32_t>* clusters) const {
  if (placement.clusters.empty()) {
    if (placement.from != 0 && !layout_.IsDataCluster(placement.from))
      return Status::Failure("cluster " + std::to_string(placement.from) + " does not exist");
    return TakeFree(count, placement.from, {}, clusters);
  }
  if (placement.clusters.size() != count) {
    return Status::Failure("the cluster list has " + std::to_string(placement.clusters.size()) +
                           " clusters, the data needs " + std::to_string(count));
  }
  std::set<uint32_t> seen;
  for (uint32_t cluster : placement.clusters) {
    if (!layout_.IsDataCluster(cluster))
      return Status::Failure("cluster " + std::to_string(cluster) + " does not exist");
    if (allocated_[cluster])
      return Status::Failure("cluster " + std::to_string(cluster) + " is not free");
    if (!seen.insert(cluster).second)
      return Status::Failure("cluster " + std::to_string(cluster) + " is listed twice");
  }
  *clusters = placement.clusters;
  return {};
}

Status ExfatCardBuilder::PlanEntry(std::string_view raw_path, EntryPlan* plan) const {
  if (!formatted_) return Status::Failure("the card has no volume yet");
  plan->path = CleanPath(raw_path);
  if (plan->path.empty()) return Status::Failure("the root folder cannot be made or written");
  plan->parent = FindLive(ParentOf(plan->path));
  if (plan->parent < 0 || !nodes_[plan->parent].folder)
    return Status::Failure("folder " + Quoted(ParentOf(plan->path)) + " does not exist");
  if (Status ok = ExfatNameOf(NameOf(plan->path), &plan->name); !ok) return ok;
  for (size_t i = 1; i < nodes_.size(); ++i) {
    const Node& n = nodes_[i];
    if (n.state == EntryState::kLive && n.parent == plan->parent && SameName(n.name, plan->name))
      return Status::Failure(Quoted(plan->path) + " already exists");
  }
  plan->entries = 2 + (plan->name.size() + kExfatNameChars - 1) / kExfatNameChars;
  return {};
}

Status ExfatCardBuilder::PlanGrowth(EntryPlan* plan, const std::vector<uint32_t>& taken) const {
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

void ExfatCardBuilder::Chain(const std::vector<uint32_t>& clusters) {
  for (size_t i = 0; i < clusters.size(); ++i)
    fat_[clusters[i]] = i + 1 < clusters.size() ? clusters[i + 1] : kEndOfChain;
}

void ExfatCardBuilder::Allocate(const std::vector<uint32_t>& clusters, bool chain) {
  for (uint32_t cluster : clusters) {
    allocated_[cluster] = true;
    high_water_ = std::max(high_water_, cluster);
  }
  if (chain) Chain(clusters);
}

void ExfatCardBuilder::ZeroClusters(const std::vector<uint32_t>& clusters) {
  for (uint32_t cluster : clusters)
    image_.Fill(layout_.ClusterOffset(cluster), layout_.ClusterBytes(), 0);
}

void ExfatCardBuilder::GrowFolder(int index, const std::vector<uint32_t>& clusters) {
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

void ExfatCardBuilder::WriteSet(const Node& node) {
  ExfatFileSet set;
  set.name = node.name;
  set.attributes = node.folder ? kExfatAttrFolder : kExfatAttrArchive;
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

int ExfatCardBuilder::Commit(EntryPlan& plan, Node node, const std::vector<uint32_t>& clusters,
                             bool fat_chain) {
  if (!plan.growth.empty()) GrowFolder(plan.parent, plan.growth);
  node.no_fat_chain = !clusters.empty() && !fat_chain && Contiguous(clusters);
  Allocate(clusters, !node.no_fat_chain);
  Node& parent = nodes_[plan.parent];
  for (size_t i = 0; i < plan.entries; ++i)
    node.slots.push_back(SlotOffset(parent, parent.used_slots++));
  node.path = plan.path;
  node.name = plan.name;
  node.parent = plan.parent;
  node.clusters = clusters;
  nodes_.push_back(std::move(node));
  WriteSet(nodes_.back());
  return static_cast<int>(nodes_.size() - 1);
}

Status ExfatCardBuilder::MakeFolder(std::string_view path, const ExfatPlacement& placement,
                                    const ExfatEntryOptions& entry) {
  EntryPlan plan;
  if (Status ok = PlanEntry(path, &plan); !ok) return ok;
  const uint32_t count =
      placement.clusters.empty() ? 1 : static_cast<uint32_t>(placement.clusters.size());
  std::vector<uint32_t> clusters;
  if (Status ok = PlanClusters(placement, count, &clusters); !ok) return ok;
  if (Status ok = PlanGrowth(&plan, clusters); !ok) return ok;
  ZeroClusters(clusters);
  Node folder;
  folder.folder = true;
  folder.time = entry.time.value_or(time_);
  folder.size = folder.valid_size = uint64_t{layout_.ClusterBytes()} * clusters.size();
  folder.content_kind = "folder";
  Commit(plan, folder, clusters, placement.fat_chain);
  return {};
}

Status ExfatCardBuilder::WriteFile(std::string_view path, const Content& content,
                                   const ExfatPlacement& placement,
                                   const ExfatEntryOptions& entry) {
  EntryPlan plan;
  if (Status ok = PlanEntry(path, &plan); !ok) return ok;
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
  file.time = entry.time.value_or(time_);
  file.size = size;
  file.valid_size = valid;
  file.content_kind = content.kind;
  file.width = content.width;
  file.height = content.height;
  const int index = Commit(plan, file, clusters, placement.fat_chain);
  nodes_[index].crc32 = CrcOf(ExtentsOf(nodes_[index]));
  return {};
}

void ExfatCardBuilder::MarkDeleted(int index) {
  Node& node = nodes_[index];
  node.state = EntryState::kDeleted;
  for (uint32_t cluster : node.clusters)
    allocated_[cluster] = false;
  WriteSet(node);
  if (!node.folder) return;
  for (size_t i = 1; i < nodes_.size(); ++i) {
    if (nodes_[i].parent == index && nodes_[i].state == EntryState::kLive)
      MarkDeleted(static_cast<int>(i));
  }
}

Status ExfatCardBuilder::Delete(std::string_view raw_path) {
  const std::string path = CleanPath(raw_path);
  if (path.empty()) return Status::Failure("the root folder cannot be deleted");
  const int index = FindLive(path);
  if (index < 0) return Status::Failure(Quoted(path) + " does not exist");
  MarkDeleted(index);
  return {};
}

Status ExfatCardBuilder::BreakSetChecksum(std::string_view raw_path) {
  const int index = FindAny(CleanPath(raw_path));
  if (index <= 0) return Status::Failure("nothing named " + Quoted(raw_path) + " was written");
  nodes_[index].broken_checksum = true;
  WriteSet(nodes_[index]);
  return {};
}

Status ExfatCardBuilder::ClusterOf(std::string_view reference, uint32_t* cluster) const {
  const size_t plus = reference.rfind('+');
  const std::string path = CleanPath(reference.substr(0, plus));
  uint32_t nth = 0;
  if (plus != std::string_view::npos) {
    std::vector<uint32_t> parsed;
    if (!ParseClusterList(reference.substr(plus + 1), &parsed).ok() || parsed.size() != 1)
      return Status::Failure("'" + std::string(reference) + "': expected PATH+NUMBER");
    nth = parsed.front();
  }
  const int index = FindAny(path);
  if (index <= 0) return Status::Failure("nothing named " + Quoted(path) + " was written");
  const std::vector<uint32_t>& chain = nodes_[index].clusters;
  if (nth >= chain.size()) {
    return Status::Failure(Quoted(path) + " has " + std::to_string(chain.size()) +
                           " clusters, no cluster " + std::to_string(nth));
  }
  *cluster = chain[nth];
  return {};
}

}  // namespace kova::mkcard
