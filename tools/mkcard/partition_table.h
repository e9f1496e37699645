#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "card_manifest.h"
#include "sparse_image.h"
#include "status.h"

namespace kova::mkcard {

enum class TableKind { kNone, kMbr, kGpt };
enum class PartitionKind { kPrimary, kExtended, kLogical };

// "none", "mbr", "gpt" and "primary", "extended", "logical".
const char* TableKindName(TableKind kind);
const char* PartitionKindName(PartitionKind kind);

inline constexpr uint64_t kSectorBytes = 512;

// A blank card: its size and the kind of partition table it carries.
struct CardOptions {
  uint64_t bytes = 64 << 20;
  TableKind table = TableKind::kNone;
  uint32_t disk_signature = 0x4B4F5641;  // MBR, at byte 440
  std::string disk_guid;                 // GPT; empty: derived from the disk signature
  uint32_t gpt_entries = 128;            // GPT entry slots, 128 bytes each
};

struct PartitionOptions {
  PartitionKind kind = PartitionKind::kPrimary;
  uint64_t first_sector = 0;
  uint64_t sectors = 0;   // 0: to the end of the card, the extended partition or the GPT's room
  uint8_t type = 0;       // MBR type byte; 0: the volume's own (0x0F for an extended partition)
  std::string type_guid;  // GPT, "XXXXXXXX-XXXX-..." or an alias; empty: from the volume
  std::string name;       // GPT partition name
  bool bootable = false;
  // A damaged entry: it may run past the end of the card (or start there) and overlap anything;
  // it can hold no volume.
  bool past_end = false;
  // A logical partition's extended boot record; 0: the extended partition's first sector for
  // the first logical partition, else the sector after the previous logical partition.
  uint64_t ebr_sector = 0;
};

struct Partition : PartitionOptions {
  int number = 0;  // as Linux counts: MBR slots 1 to 4, logical partitions from 5; GPT entries
  uint64_t Offset() const { return first_sector * kSectorBytes; }
  uint64_t Bytes() const { return sectors * kSectorBytes; }
  uint64_t EndSector() const { return first_sector + sectors; }
};

// What the volume in a partition says about it when the table is written.
struct PartitionContents {
  uint8_t mbr_type = 0;     // 0: no volume in the partition
  std::string file_system;  // "FAT32", ...; empty without a volume
};

// The partition table of a card: partitions are checked against the card, the table's own
// sectors and each other as they are added, and written when the card is saved.
class PartitionTable {
 public:
  Status Reset(const CardOptions& options);
  const CardOptions& Options() const { return options_; }
  uint64_t CardSectors() const { return options_.bytes / kSectorBytes; }

  Status Add(PartitionOptions options, int* number);
  const std::vector<Partition>& Partitions() const { return partitions_; }
  const Partition* Find(int number) const;

  // Byte ranges the table itself takes: MBR, extended boot records, GPT headers and entries.
  std::vector<Extent> OwnAreas() const;
  // The GPT's room for partitions, first and last sector inclusive.
  uint64_t FirstUsableSector() const;
  uint64_t LastUsableSector() const;

  // Makes the primary GPT header fail its check (bad CRC, or a zeroed sector) when written.
  Status DamagePrimaryGptHeader(bool zero);

  void Write(SparseImage* image, const std::function<PartitionContents(int)>& contents) const;
  std::vector<ManifestPartition> Describe(
      const std::function<PartitionContents(int)>& contents) const;

 private:
  Status FillDefaults(Partition* p) const;
  Status CheckPlace(const Partition& p) const;
  Status CheckLogical(const Partition& p) const;
  uint64_t RoomEnd(const Partition& p) const;
  const Partition* Extended() const;
  std::vector<const Partition*> Logicals() const;

  CardOptions options_;
  std::vector<Partition> partitions_;
  enum class GptDamage { kNone, kCrc, kZero } gpt_damage_ = GptDamage::kNone;
};

}  // namespace kova::mkcard
