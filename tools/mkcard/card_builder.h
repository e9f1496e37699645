#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "content.h"
#include "fat_volume_writer.h"
#include "partition_table.h"
#include "sparse_image.h"
#include "status.h"
#include "volume_writer.h"

namespace kova::mkcard {

// Where a volume goes when no card was made for it first: a card of its own, holding the volume
// from its first sector, or from `partition_lba` behind an MBR with that one partition.
struct OwnCard {
  uint64_t card_bytes = 0;
  uint32_t partition_lba = 0;
  uint8_t partition_type = 0;  // 0: the volume's own
  uint32_t disk_signature = 0;
};

// Builds a card image: a partition table (or none), the partitions, a volume in each, and the
// files in them; records what it put where. File operations act on the current volume (the one
// formatted last, or chosen with UseVolume). Every operation either succeeds or returns a
// failure and leaves the card unchanged.
class CardBuilder {
 public:
  CardBuilder();

  // Starts over with a blank card. Partitions and volumes follow.
  Status CreateCard(const CardOptions& options);
  // Adds a partition to the table; `number` receives its number.
  Status AddPartition(const PartitionOptions& options, int* number = nullptr);
  const PartitionTable& Table() const { return table_; }

  // Formats a FAT volume into the partition added last (the whole card when it has no table).
  // When no card was made first, starts over with a card of its own for the volume
  // (`options.card_bytes`, `options.partition_lba`, `options.partition_type`).
  Status Format(const VolumeOptions& options);
  // How a file system places its volume, as Format does for FAT: `make` formats the space it
  // is given; the new volume becomes the current one.
  using VolumeMaker =
      std::function<Status(const VolumeSpace& space, std::unique_ptr<VolumeWriter>* writer)>;
  Status PlaceVolume(const OwnCard& own, const VolumeMaker& make);
  bool Formatted() const { return !volumes_.empty(); }
  // A card was made, with or without a volume.
  bool HasCard() const { return card_made_ || Formatted(); }
  // Makes the volume in partition `number` (1 on a card without a table) the current one.
  Status UseVolume(int number);

  // The current volume when it is FAT; an empty layout, options and table otherwise.
  const VolumeLayout& Layout() const;
  const VolumeOptions& Options() const;
  const FatTable& Fat() const;

  void SetTime(DosTime time) { time_ = time; }
  DosTime Time() const { return time_; }

  Status MakeFolder(std::string_view path, const EntryOptions& entry = {},
                    const Placement& placement = {});
  Status WriteFile(std::string_view path, const Content& content, const Placement& placement = {},
                   const EntryOptions& entry = {});
  Status Delete(std::string_view path);
  // Inside a volume: into free clusters of its data area. Outside every volume (gaps between
  // partitions, the unpartitioned tail): anywhere but on the partition table's own sectors.
  Status WriteRaw(uint64_t offset, const Content& content, std::string_view name = "");
  Status Wipe(const std::vector<uint32_t>& clusters, uint8_t value);
  Status MarkBad(const std::vector<uint32_t>& clusters);
  Status LoopFolder(std::string_view path);
  Status LinkFolder(std::string_view folder, std::string_view short_name, std::string_view target);
  // Cuts the saved image to `size` bytes.
  Status Truncate(uint64_t size);
  // Breaks the current volume's main boot sector (see FatVolumeWriter); an exFAT one is zeroed
  // and its backup region left sound.
  Status DamageBootSector(BootDamage damage);
  // Makes the primary GPT header fail its check: a wrong CRC, or (zero) an empty sector.
  Status DamageGptHeader(bool zero);
  // "PATH" or "PATH+N" in the current volume.
  Status ClusterOf(std::string_view reference, uint32_t* cluster) const;
  // Where a data cluster of the current volume lies on the card.
  std::optional<uint64_t> ClusterOffset(uint32_t cluster) const;

  uint64_t ImageBytes() const;
  Bytes ReadImage(uint64_t offset, uint64_t count) const;
  Manifest MakeManifest() const;
  // Finishes every volume's tables, writes the partition table, then the image and (when a
  // path is given) the manifest, each through a temporary file.
  Status Save(const std::filesystem::path& image, const std::filesystem::path& manifest = {});

 private:
  VolumeWriter* Current() const;
  FatVolumeWriter* CurrentFat() const;
  Status NoVolume() const;
  Status NoFatVolume() const;
  Status MakeOwnCard(const OwnCard& own);
  Status NextSpace(VolumeSpace* space) const;
  PartitionContents ContentsOf(int number) const;
  Status WriteOutside(uint64_t offset, const Content& content, std::string_view name);

  std::unique_ptr<SparseImage> image_;
  PartitionTable table_;
  bool card_made_ = false;  // CreateCard started the card, so Format does not start over
  std::vector<std::unique_ptr<VolumeWriter>> volumes_;
  VolumeWriter* current_ = nullptr;
  std::vector<ManifestRecord> outside_raws_;  // raw writes outside every volume
  DosTime time_;
  uint64_t truncated_to_ = UINT64_MAX;
};

}  // namespace kova::mkcard
