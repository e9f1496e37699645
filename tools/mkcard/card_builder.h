#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "content.h"
#include "dos_entries.h"
#include "fat_table.h"
#include "sparse_image.h"
#include "status.h"
#include "volume_layout.h"

namespace kova::mkcard {

struct EntryOptions {
  std::string long_name;        // written as long-name entries before the short entry
  std::optional<DosTime> time;  // default: the builder's current time
};

// Where a file's or folder's clusters go.
struct Placement {
  // An explicit chain in file order (for fragmented files); every cluster must be free.
  std::vector<uint32_t> clusters;
  // Without a chain: the first free cluster to consider; 0 means after the highest cluster
  // allocated so far. The search wraps round to cluster 2 at the end of the card.
  uint32_t from = 0;
};

// Builds a FAT card image operation by operation and records what it put where. Paths are
// short 8.3 names joined by "/", relative to the root folder. Every operation either succeeds
// or returns a failure and leaves the card unchanged.
class CardBuilder {
 public:
  Status Format(const VolumeOptions& options);
  bool Formatted() const { return formatted_; }
  const VolumeLayout& Layout() const { return layout_; }
  const VolumeOptions& Options() const { return options_; }

  void SetTime(DosTime time) { time_ = time; }
  DosTime Time() const { return time_; }

  Status MakeFolder(std::string_view path, const EntryOptions& entry = {},
                    const Placement& placement = {});
  Status WriteFile(std::string_view path, const Content& content, const Placement& placement = {},
                   const EntryOptions& entry = {});
  // Marks the entry (and its long-name entries) deleted and frees its chain; the data stays.
  // A folder's own entries stay as they are, and everything below it loses its clusters in the
  // allocation table: it can only be found again as a lost folder.
  Status Delete(std::string_view path);
  // Writes `content` at an image offset inside the data area where every cluster is free.
  Status WriteRaw(uint64_t offset, const Content& content, std::string_view name = "");
  Status Wipe(const std::vector<uint32_t>& clusters, uint8_t value);
  // Marks free clusters bad in the allocation table.
  Status MarkBad(const std::vector<uint32_t>& clusters);
  // Links the folder's last cluster back to its first: a directory chain without an end.
  Status LoopFolder(std::string_view path);
  // Adds to `folder` a subfolder entry `short_name` that points at `target`'s first cluster
  // (`target` may be `folder` itself or one of its parents).
  Status LinkFolder(std::string_view folder, std::string_view short_name, std::string_view target);
  // Cuts the saved image to `size` bytes.
  Status Truncate(uint64_t size);

  // "PATH" or "PATH+N": cluster N (counted from 0) of the chain of the named file, folder or
  // raw write; a live entry is preferred, else the latest deleted or lost one.
  Status ClusterOf(std::string_view reference, uint32_t* cluster) const;

  uint64_t ImageBytes() const;
  Bytes ReadImage(uint64_t offset, uint64_t count) const;
  const FatTable& Fat() const { return fat_; }
  Manifest MakeManifest() const;
  // Writes the allocation tables and FSInfo, then the image and (when a path is given) the
  // manifest, each through a temporary file.
  Status Save(const std::filesystem::path& image, const std::filesystem::path& manifest = {});

 private:
  enum class NodeKind { kFile, kFolder, kLink, kRaw };
  struct Node {
    NodeKind kind = NodeKind::kFile;
    std::string path, short_name, long_name;
    int parent = -1;
    EntryState state = EntryState::kLive;
    std::vector<uint32_t> clusters;
    std::vector<Extent> raw_extents;
    int64_t entry_offset = -1;
    std::vector<uint64_t> long_entry_offsets;
    uint32_t used_slots = 0;
    DosTime time;
    std::string content_kind;
    uint64_t size = 0;
    int width = 0, height = 0;
    uint32_t crc32 = 0;
    std::string link_to;
    bool looped = false;
  };
  // A new directory entry, planned and checked before anything changes.
  struct EntryPlan {
    int parent = -1;
    std::string name, path;
    std::vector<DirEntry> entries;  // long-name entries, then the short entry (cluster patched)
    std::vector<uint32_t> growth;   // clusters the parent folder needs for them
  };

  bool IsLive(int index) const;
  int FindLive(std::string_view path) const;
  int FindAny(std::string_view path) const;
  Status FindLiveFolder(std::string_view path, int* index) const;
  Status PlanEntry(std::string_view path, const EntryOptions& entry, uint8_t attributes,
                   EntryPlan* plan) const;
  uint32_t SlotCapacity(const Node& folder) const;
  uint64_t SlotOffset(const Node& folder, uint32_t slot) const;
  Status TakeFree(uint32_t count, uint32_t from, const std::vector<uint32_t>& excluded,
                  std::vector<uint32_t>* clusters) const;
  Status CheckChain(const std::vector<uint32_t>& clusters, uint32_t expected) const;
  Status PlanClusters(const Placement& placement, uint32_t count,
                      std::vector<uint32_t>* clusters) const;
  Status PlanGrowth(EntryPlan* plan, const std::vector<uint32_t>& taken) const;
  int CommitEntry(EntryPlan& plan, uint32_t first_cluster, uint32_t size);
  void ClaimClusters(const std::vector<uint32_t>& clusters);
  void ZeroClusters(const std::vector<uint32_t>& clusters);
  void ReleaseBelow(int folder);
  void WriteLabelEntry();
  void Finalize();
  uint32_t CrcOf(const std::vector<Extent>& extents) const;
  ManifestRecord RecordOf(const Node& node) const;

  bool formatted_ = false;
  VolumeOptions options_;
  VolumeLayout layout_;
  SparseImage image_;
  FatTable fat_;
  std::vector<Node> nodes_;  // 0 is the root folder
  DosTime time_ = *ParseDosTime("2024-05-18 10:00:00");
  uint32_t high_water_ = 1;
  uint64_t truncated_to_ = UINT64_MAX;
  int raw_count_ = 0;
};

}  // namespace kova::mkcard
