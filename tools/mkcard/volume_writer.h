#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"
#include "content.h"
#include "dos_entries.h"
#include "medium_bytes.h"
#include "sparse_image.h"
#include "status.h"

// What a card asks of every file system written on it (FAT today, others alike): a volume
// writer formats the space of one partition (or of the whole card), carries out the file
// operations of the recipes inside it, finishes its tables when the card is saved and describes
// itself and its files in the manifest.
namespace kova::mkcard {

// The bytes a volume may use: a window on the card's image, which all volumes share.
struct VolumeSpace {
  SparseImage* image = nullptr;
  uint64_t offset = 0;  // the volume's first byte on the card
  uint64_t bytes = 0;   // room for the volume: the partition's size, or the whole card
  int number = 1;       // the partition number; 1 for a card without a partition table

  uint64_t FirstSector() const { return offset / 512; }
  uint64_t End() const { return offset + bytes; }
  bool Holds(uint64_t at) const { return at >= offset && at < End(); }
};

struct EntryOptions {
  // The name as the user saw it. FAT writes it as long-name entries before the short entry.
  std::string long_name;
  // The entry's time stamp; the card fills in its current time before a writer sees it.
  std::optional<DosTime> time;
  // FAT: the path's last name is the long name, and the short name is made from it as Windows
  // and Linux make aliases (see short_names.h); otherwise the last name is the short name.
  bool generate_short_name = false;
};

// Where a file's or folder's clusters go.
struct Placement {
  // An explicit chain in file order (for fragmented files); every cluster must be free.
  std::vector<uint32_t> clusters;
  // Without a chain: the first free cluster to consider; 0 means after the highest cluster
  // allocated so far. The search wraps round to the first cluster at the end of the volume.
  uint32_t from = 0;
  // Without a chain: the data in this many pieces of nearly equal size, each after `gap` free
  // clusters that stay free (a fragmented file, whatever its size).
  uint32_t fragments = 1;
  uint32_t gap = 16;
  // FAT32 only: set in the upper four (reserved) bits of every allocation-table entry of the
  // chain, as some writers leave them; readers must mask them off.
  uint8_t reserved_fat_bits = 0;
};

class VolumeWriter {
 public:
  virtual ~VolumeWriter() = default;

  virtual const VolumeSpace& Space() const = 0;
  // "FAT12", "FAT16", "FAT32", ... as the manifest names it.
  virtual std::string FileSystemName() const = 0;
  // The partition type byte an MBR entry gets for this volume when the recipe names none.
  virtual uint8_t MbrPartitionType() const = 0;

  // Paths are relative to the volume's root folder, names joined by "/". Every operation
  // either succeeds or returns a failure and leaves the volume unchanged.
  virtual Status MakeFolder(std::string_view path, const EntryOptions& entry,
                            const Placement& placement) = 0;
  virtual Status WriteFile(std::string_view path, const Content& content,
                           const Placement& placement, const EntryOptions& entry) = 0;
  // Marks the entry deleted as the file system does and frees its clusters; the data stays.
  virtual Status Delete(std::string_view path) = 0;
  // Writes `content` at a card offset inside the data area where every cluster is free,
  // without an entry.
  virtual Status WriteRaw(uint64_t offset, const Content& content, std::string_view name) = 0;
  // Fills clusters with a byte without changing the allocation.
  virtual Status Wipe(const std::vector<uint32_t>& clusters, uint8_t value) = 0;
  // "PATH" or "PATH+N": cluster N (counted from 0) of the chain of a file, folder or raw write.
  virtual Status ClusterOf(std::string_view reference, uint32_t* cluster) const = 0;
  // The card offset of a data cluster, or nothing for a cluster the volume does not have.
  virtual std::optional<uint64_t> ClusterOffset(uint32_t cluster) const = 0;

  // Writes what is kept in memory until the card is saved (allocation tables and the like).
  virtual void Finish() = 0;
  // The volume's manifest line (the card fills in `image_bytes`) and one record per entry and
  // raw write, in the order they were made, with `volume` set to the space's number.
  virtual ManifestVolume VolumeRecord() const = 0;
  virtual void AddRecords(const MediumBytes& medium,
                          std::vector<ManifestRecord>* records) const = 0;
};

}  // namespace kova::mkcard
