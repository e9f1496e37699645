#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "content.h"
#include "exfat_entries.h"
#include "exfat_layout.h"
#include "exfat_manifest.h"
#include "sparse_image.h"
#include "status.h"

namespace kova::mkcard {

struct ExfatEntryOptions {
  std::optional<ExfatStamp> time;             // default: the builder's current time
  std::optional<uint64_t> valid_data_length;  // default: the data length
};

// Where a file's or folder's clusters go.
struct ExfatPlacement {
  // An explicit chain in file order; every cluster must be free.
  std::vector<uint32_t> clusters;
  // Without a chain: the first free cluster to consider; 0 means after the highest cluster
  // allocated so far, wrapping round to cluster 2 at the end of the volume.
  uint32_t from = 0;
  // Chain the clusters through the FAT even when they are contiguous (otherwise contiguous data
  // is marked NoFatChain and leaves the FAT alone, as exFAT drivers write it).
  bool fat_chain = false;
};

enum class ExfatBootDamage {
  kNone,
  kZeroedBootSector,  // the main boot sector reads as zeros
  kBadChecksum,       // one byte of the main OEM parameters changed after the checksum was made
};

// Builds an exFAT card image operation by operation and records what it put where. Paths are
// names (any Unicode exFAT allows) joined by "/", relative to the root folder. Deleting keeps
// what exFAT keeps: the entry sets with the InUse bit cleared, the data and the FAT chains; only
// the allocation bitmap lets the clusters go. Every operation either succeeds or returns a
// failure and leaves the card unchanged.
class ExfatCardBuilder {
 public:
  Status Format(const ExfatOptions& options);
  bool Formatted() const { return formatted_; }
  const ExfatLayout& Layout() const { return layout_; }
  const ExfatOptions& Options() const { return options_; }

  void SetTime(const ExfatStamp& time) { time_ = time; }

  Status MakeFolder(std::string_view path, const ExfatPlacement& placement = {},
                    const ExfatEntryOptions& entry = {});
  Status WriteFile(std::string_view path, const Content& content,
                   const ExfatPlacement& placement = {}, const ExfatEntryOptions& entry = {});
  // Clears the InUse bit of the entry set and frees its clusters in the bitmap; a folder takes
  // everything below it along, as a system deletes a folder's contents before the folder.
  Status Delete(std::string_view path);
  // Stores a wrong set checksum for the entry set of a live or deleted path.
  Status BreakSetChecksum(std::string_view path);
  // Damages the main boot region when the card is saved; the backup at sector 12 stays sound.
  void DamageMainBootRegion(ExfatBootDamage damage) { damage_ = damage; }

  // "PATH" or "PATH+N": cluster N (from 0) of the named file or folder, a live one preferred,
  // else the latest deleted one.
  Status ClusterOf(std::string_view reference, uint32_t* cluster) const;
  bool IsAllocated(uint32_t cluster) const;
  uint32_t FatEntry(uint32_t cluster) const { return fat_.at(cluster); }

  Bytes ReadImage(uint64_t offset, uint64_t count) const;
  ExfatManifest MakeManifest() const;
  // Writes the FAT, the bitmap and both boot regions, then the image and (when a path is given)
  // the manifest, each through a temporary file.
  Status Save(const std::filesystem::path& image, const std::filesystem::path& manifest = {});

 private:
  struct Node {
    bool folder = false;
    std::string path;
    std::u16string name;
    int parent = -1;
    EntryState state = EntryState::kLive;
    std::vector<uint32_t> clusters;
    bool no_fat_chain = false;
    ExfatStamp time;
    uint64_t size = 0;
    uint64_t valid_size = 0;
    std::string content_kind;
    int width = 0, height = 0;
    uint32_t crc32 = 0;
    std::vector<uint64_t> slots;  // image offsets of the set's entries
    uint32_t used_slots = 0;      // folders: entries taken in the folder
    bool broken_checksum = false;
  };
  struct EntryPlan {
    int parent = -1;
    std::string path;
    std::u16string name;
    size_t entries = 0;
    std::vector<uint32_t> growth;  // clusters the parent folder needs for the set
  };

  int FindLive(std::string_view path) const;
  int FindAny(std::string_view path) const;
  Status PlanEntry(std::string_view path, EntryPlan* plan) const;
  Status PlanGrowth(EntryPlan* plan, const std::vector<uint32_t>& taken) const;
  Status PlanClusters(const ExfatPlacement& placement, uint32_t count,
                      std::vector<uint32_t>* clusters) const;
  Status TakeFree(uint32_t count, uint32_t from, const std::vector<uint32_t>& excluded,
                  std::vector<uint32_t>* clusters) const;
  int Commit(EntryPlan& plan, Node node, const std::vector<uint32_t>& clusters, bool fat_chain);
  void GrowFolder(int folder, const std::vector<uint32_t>& clusters);
  void Allocate(const std::vector<uint32_t>& clusters, bool chain);
  void Chain(const std::vector<uint32_t>& clusters);
  void ZeroClusters(const std::vector<uint32_t>& clusters);
  uint64_t SlotOffset(const Node& folder, uint32_t slot) const;
  void WriteSet(const Node& node);
  void WriteRootEntries();
  void MarkDeleted(int index);
  uint32_t FreeCount() const;
  void Finalize();
  uint32_t CrcOf(const std::vector<Extent>& extents) const;
  std::vector<Extent> ExtentsOf(const Node& node) const;
  ManifestRecord RecordOf(const Node& node) const;

  bool formatted_ = false;
  ExfatOptions options_;
  ExfatLayout layout_;
  SparseImage image_;
  std::vector<uint32_t> fat_;
  std::vector<bool> allocated_;
  std::vector<Node> nodes_;  // 0 is the root folder
  ExfatStamp time_;
  uint32_t high_water_ = 1;
  ExfatBootDamage damage_ = ExfatBootDamage::kNone;
};

}  // namespace kova::mkcard
