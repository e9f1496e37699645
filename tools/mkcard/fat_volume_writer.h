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
#include "dos_entries.h"
#include "fat_table.h"
#include "short_names.h"
#include "sparse_image.h"
#include "status.h"
#include "volume_layout.h"
#include "volume_writer.h"

namespace kova::mkcard {

enum class BootDamage { kNone, kZeroed, kBiosParameters };
// "none", "zeroed", "bios-parameters".
const char* BootDamageName(BootDamage damage);

// Writes a FAT12/FAT16/FAT32 volume into its space on the card and records what it put where.
// Paths are short 8.3 names joined by "/", relative to the root folder.
class FatVolumeWriter : public VolumeWriter {
 public:
  // Formats the volume: boot sector (and the FAT32 backup), an empty root folder, the label
  // entry; the allocation tables and FSInfo follow in Finish().
  static Status Create(const VolumeSpace& space, const VolumeOptions& options, DosTime time,
                       std::unique_ptr<FatVolumeWriter>* writer);

  const VolumeLayout& Layout() const { return layout_; }
  const VolumeOptions& Options() const { return options_; }
  const FatTable& Fat() const { return fat_; }

  // Breaks the main boot sector: zeroes it, or (kBiosParameters) clears its jump, sector and
  // cluster sizes and signature but keeps the rest, the backup boot sector number included.
  // The FAT32 backup stays sound.
  Status DamageBootSector(BootDamage damage);
  // Marks free clusters bad in the allocation table.
  Status MarkBad(const std::vector<uint32_t>& clusters);
  // Links the folder's last cluster back to its first: a directory chain without an end.
  Status LoopFolder(std::string_view path);
  // Adds to `folder` a subfolder entry `short_name` that points at `target`'s first cluster
  // (`target` may be `folder` itself or one of its parents).
  Status LinkFolder(std::string_view folder, std::string_view short_name, std::string_view target,
                    DosTime time);

  const VolumeSpace& Space() const override { return space_; }
  std::string FileSystemName() const override { return FatTypeName(layout_.type); }
  uint8_t MbrPartitionType() const override;
  Status MakeFolder(std::string_view path, const EntryOptions& entry,
                    const Placement& placement) override;
  Status WriteFile(std::string_view path, const Content& content, const Placement& placement,
                   const EntryOptions& entry) override;
  // Puts 0xE5 in the first byte of the entry and of its long-name entries and frees the chain.
  // A folder's own entries stay as they are, and everything below it loses its clusters in the
  // allocation table: it can only be found again as a lost folder.
  Status Delete(std::string_view path) override;
  Status WriteRaw(uint64_t offset, const Content& content, std::string_view name) override;
  Status Wipe(const std::vector<uint32_t>& clusters, uint8_t value) override;
  Status ClusterOf(std::string_view reference, uint32_t* cluster) const override;
  std::optional<uint64_t> ClusterOffset(uint32_t cluster) const override;
  // Writes the allocation tables and FSInfo.
  void Finish() override;
  ManifestVolume VolumeRecord() const override;
  void AddRecords(const MediumBytes& medium, std::vector<ManifestRecord>* records) const override;

 private:
  enum class NodeKind { kFile, kFolder, kLink, kRaw };
  struct Node {
    NodeKind kind = NodeKind::kFile;
    std::string path;       // short names joined by "/"
    std::string long_path;  // long names where given, else short names
    std::string short_name, long_name;
    ShortNameBytes short_field{};
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

    bool Named(std::string_view wanted) const;
  };
  // A new directory entry, planned and checked before anything changes.
  struct EntryPlan {
    int parent = -1;
    std::string path, long_path, short_name, long_name;
    ShortNameBytes field{};
    std::vector<DirEntry> entries;  // long-name entries, then the short entry (cluster patched)
    std::vector<uint32_t> growth;   // clusters the parent folder needs for them
  };

  bool IsLive(int index) const;
  int FindLive(std::string_view path) const;
  int FindAny(std::string_view path) const;
  Status FindLiveFolder(std::string_view path, int* index) const;
  bool ShortNameTaken(int folder, const ShortNameBytes& field) const;
  Status PlanEntry(std::string_view path, const EntryOptions& entry, uint8_t attributes,
                   EntryPlan* plan) const;
  uint32_t SlotCapacity(const Node& folder) const;
  uint64_t SlotOffset(const Node& folder, uint32_t slot) const;
  Status TakeFree(uint32_t count, uint32_t from, const std::vector<uint32_t>& excluded,
                  std::vector<uint32_t>* clusters) const;
  Status PlanClusters(const Placement& placement, uint32_t count,
                      std::vector<uint32_t>* clusters) const;
  Status PlanGrowth(EntryPlan* plan, const std::vector<uint32_t>& taken) const;
  int CommitEntry(EntryPlan& plan, uint32_t first_cluster, uint32_t size);
  void ChainClusters(const std::vector<uint32_t>& clusters, uint8_t reserved_bits);
  void ClaimClusters(const std::vector<uint32_t>& clusters);
  void ZeroClusters(const std::vector<uint32_t>& clusters);
  void ReleaseBelow(int folder);
  void WriteLabelEntry();
  std::string FolderPathOf(const Node& node) const;
  ManifestRecord RecordOf(const Node& node, const MediumBytes& medium) const;
  ClusterArea Area() const;
  ClusterTest IsFreeTest() const;

  uint64_t SectorOffset(uint32_t sector) const {
    return layout_.volume_offset + uint64_t{sector} * VolumeLayout::kSectorBytes;
  }

  FatVolumeWriter(const VolumeSpace& space, const VolumeOptions& options,
                  const VolumeLayout& layout, DosTime time);

  VolumeSpace space_;
  SparseImage& image_;
  VolumeOptions options_;
  VolumeLayout layout_;
  FatTable fat_;
  std::vector<Node> nodes_;  // 0 is the root folder
  DosTime format_time_;
  uint32_t high_water_ = 1;
  int raw_count_ = 0;
  BootDamage boot_damage_ = BootDamage::kNone;
};

}  // namespace kova::mkcard
