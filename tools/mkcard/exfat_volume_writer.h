#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "cluster_area.h"
#include "content.h"
#include "exfat_entries.h"
#include "exfat_layout.h"
#include "sparse_image.h"
#include "status.h"
#include "volume_writer.h"

namespace kova::mkcard {

class CardBuilder;

struct ExfatEntryOptions {
  std::string name;                           // the name on the volume; empty: the path's last part
  std::optional<ExfatStamp> time;             // default: the time the volume was formatted at
  std::optional<uint64_t> valid_data_length;  // default: the data length
};

// Where a file's or folder's clusters go on an exFAT volume.
struct ExfatPlacement : Placement {
  // Chain the clusters through the FAT even when they are contiguous (otherwise contiguous data
  // is marked NoFatChain and leaves the FAT alone, as exFAT drivers write it).
  bool fat_chain = false;
};

enum class ExfatBootDamage {
  kNone,
  kZeroedBootSector,  // the main boot sector reads as zeros
  kBadChecksum,       // one byte of the main OEM parameters changed after the checksum was made
};

// Writes an exFAT volume into its space on the card and records what it put where. Paths are
// names (any Unicode exFAT allows) joined by "/", relative to the root folder. Deleting keeps
// what exFAT keeps: the entry sets with the InUse bit cleared, the data and the FAT chains; only
// the allocation bitmap lets the clusters go.
class ExfatVolumeWriter : public VolumeWriter {
 public:
  // Formats the volume: the up-case table and the root folder with its label, bitmap and up-case
  // entries; the FAT, the bitmap and both boot regions follow in Finish(). Entries without a
  // time of their own get `time`, without a UTC offset.
  static Status Create(const VolumeSpace& space, const ExfatOptions& options, DosTime time,
                       std::unique_ptr<ExfatVolumeWriter>* writer);

  const ExfatLayout& Layout() const { return layout_; }
  Status MakeExfatFolder(std::string_view path, const ExfatPlacement& placement = {},
                         const ExfatEntryOptions& entry = {});
  Status WriteExfatFile(std::string_view path, const Content& content,
                        const ExfatPlacement& placement = {}, const ExfatEntryOptions& entry = {});
  // Stores a wrong set checksum for the entry set of a live or deleted path.
  Status BreakSetChecksum(std::string_view path);
  // Damages the main boot region when the card is saved; the backup at sector 12 stays sound.
  void DamageMainBootRegion(ExfatBootDamage damage) { damage_ = damage; }
  bool IsAllocated(uint32_t cluster) const;
  uint32_t FatEntry(uint32_t cluster) const { return fat_.at(cluster); }

  const VolumeSpace& Space() const override { return space_; }
  std::string FileSystemName() const override { return "exFAT"; }
  uint8_t MbrPartitionType() const override { return 0x07; }
  Status MakeFolder(std::string_view path, const EntryOptions& entry,
                    const Placement& placement) override;
  Status WriteFile(std::string_view path, const Content& content, const Placement& placement,
                   const EntryOptions& entry) override;
  // Clears the InUse bit of the entry set and frees its clusters in the bitmap; a folder takes
  // everything below it along, as a system deletes a folder's contents before the folder.
  Status Delete(std::string_view path) override;
  Status WriteRaw(uint64_t offset, const Content& content, std::string_view name) override;
  Status Wipe(const std::vector<uint32_t>& clusters, uint8_t value) override;
  Status ClusterOf(std::string_view reference, uint32_t* cluster) const override;
  std::optional<uint64_t> ClusterOffset(uint32_t cluster) const override;
  // Writes the FAT, the bitmap and both boot regions.
  void Finish() override;
  ManifestVolume VolumeRecord() const override;
  void AddRecords(const MediumBytes& medium, std::vector<ManifestRecord>* records) const override;

 private:
  enum class NodeKind { kFile, kFolder, kRaw };
  struct Node {
    NodeKind kind = NodeKind::kFile;
    std::string path;
    std::u16string name;
    std::string utf8_name;
    int parent = -1;
    EntryState state = EntryState::kLive;
    std::vector<uint32_t> clusters;
    std::vector<Extent> raw_extents;
    bool no_fat_chain = false;
    ExfatStamp time;
    uint64_t size = 0;
    uint64_t valid_size = 0;
    std::string content_kind;
    int width = 0, height = 0;
    uint32_t crc32 = 0;
    std::vector<uint64_t> slots;  // card offsets of the set's entries
    uint32_t used_slots = 0;      // folders: entries taken in the folder
    bool broken_checksum = false;
  };
  struct EntryPlan {
    int parent = -1;
    std::string path;
    std::u16string name;
    std::string utf8_name;
    size_t entries = 0;
    std::vector<uint32_t> growth;  // clusters the parent folder needs for the set
  };

  ExfatVolumeWriter(const VolumeSpace& space, const ExfatOptions& options,
                    const ExfatLayout& layout, DosTime time);
  int FindLive(std::string_view path) const;
  int FindAny(std::string_view path) const;
  Status PlanEntry(std::string_view path, std::string_view name, EntryPlan* plan) const;
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
  std::string FolderPathOf(const Node& node) const;
  std::vector<Extent> ExtentsOf(const Node& node) const;
  ManifestRecord RecordOf(const Node& node, const MediumBytes& medium) const;
  ClusterArea Area() const;
  ClusterTest IsFreeTest() const;

  VolumeSpace space_;
  SparseImage& image_;
  ExfatOptions options_;
  ExfatLayout layout_;
  std::vector<uint32_t> fat_;
  std::vector<bool> allocated_;
  std::vector<Node> nodes_;  // 0 is the root folder
  ExfatStamp format_time_;
  uint32_t high_water_ = 1;
  int raw_count_ = 0;
  ExfatBootDamage damage_ = ExfatBootDamage::kNone;
};

// Formats an exFAT volume into the partition the card added last (the whole card when it has no
// table); when no card was made first, the card starts over as one of its own for the volume
// (`options.card_bytes`, `options.partition_lba`). `writer`, when given, receives the volume's
// writer for the exFAT operations; the card keeps it.
Status FormatExfat(CardBuilder* card, const ExfatOptions& options,
                   ExfatVolumeWriter** writer = nullptr);

}  // namespace kova::mkcard
