#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "status.h"
#include "volume_layout.h"

namespace kova::mkcard {

// Byte range on the image, counted from the image's first byte.
struct Extent {
  uint64_t offset = 0;
  uint64_t size = 0;
  bool operator==(const Extent&) const = default;
};

enum class EntryState {
  kLive,     // reachable from the root through live entries
  kDeleted,  // its own entry carries the deletion mark 0xE5
  kLost,     // a live entry inside a folder that was deleted (found only as a lost folder)
  kRaw,      // bytes written straight into the data area, with no directory entry
};

const char* EntryStateName(EntryState state);

// One file, folder, folder link or raw write as it was put on the card.
struct ManifestRecord {
  int volume = 1;    // the partition number of its volume; 0 for raw writes outside all volumes
  std::string path;  // short names joined by "/"; for raw writes the given name
  // The folder below the volume's root as a reader shows it: the long names where the entries
  // have them, else the short names, joined by "/"; empty in the root and for raw writes.
  std::string folder_path;
  std::string short_name;
  std::string long_name;
  EntryState state = EntryState::kLive;
  bool folder = false;
  std::string link_to;  // for a folder entry that points at another folder (damaged volumes)
  bool looped = false;  // the folder's cluster chain leads back to its first cluster
  std::string content;  // "folder", "jpg", "avi", "mov", "mp4", "tif", "text", "data", ...
  uint64_t size = 0;
  int width = 0;
  int height = 0;
  uint32_t first_cluster = 0;
  std::string clusters;         // the chain in file order, e.g. "5-6,9"
  std::vector<Extent> extents;  // the file's bytes in file order (folders: whole clusters)
  int64_t entry_offset = -1;    // the short directory entry on the image; -1 for raw writes
  std::string time;             // the entry's write time, "YYYY-MM-DD HH:MM:SS"
  uint32_t crc32 = 0;           // of the content as written
  // The extents still hold the content: nothing written, wiped, marked bad or truncated since.
  bool intact = true;

  // The path as a reader shows it: the folder path and the long name (else the short name).
  std::string LongPath() const;
};

// The whole card and its partition table.
struct ManifestCard {
  uint64_t image_bytes = 0;    // after truncation
  std::string table = "none";  // "none", "mbr" or "gpt"
  uint32_t disk_signature = 0;
  std::string disk_guid;  // GPT
};

struct ManifestPartition {
  int number = 0;
  std::string kind;  // "primary", "extended" or "logical"
  uint64_t first_sector = 0;
  uint64_t sectors = 0;
  uint64_t offset = 0;  // bytes, on the card
  uint64_t bytes = 0;
  uint8_t type = 0;       // MBR type byte as written
  std::string type_guid;  // GPT, as written
  std::string guid;       // GPT: the partition's own GUID
  std::string name;       // GPT
  bool bootable = false;
  bool past_end = false;     // a damaged entry: it runs past the end of the card
  int64_t entry_offset = 0;  // where its table entry lies on the card
  std::string file_system;   // of the volume written into it; empty for none
};

struct ManifestVolume {
  int number = 1;                  // the partition number; 1 for a card without a partition table
  std::string file_system;         // "FAT12", "FAT16", "FAT32", ...
  FatType type = FatType::kFat16;  // for FAT volumes
  uint64_t image_bytes = 0;        // the card's, after truncation
  uint64_t volume_offset = 0;
  uint64_t volume_bytes = 0;
  uint32_t sectors_per_cluster = 1;
  uint32_t cluster_bytes = 512;
  uint32_t reserved_sectors = 1;
  uint32_t fat_count = 2;
  uint32_t root_entries = 0;
  uint32_t sectors_per_fat = 0;
  uint32_t cluster_count = 0;
  uint64_t fat_offset = 0;
  uint64_t root_dir_offset = 0;
  uint64_t data_offset = 0;
  std::string label;
  uint32_t serial = 0;
  uint16_t code_page = 437;          // FAT: of the short names
  std::string type_text;             // FAT: the boot sector's type text as written
  uint32_t backup_boot_sector = 0;   // FAT32: the boot sector's copy; exFAT: 12; 0: none
  std::string boot_damage = "none";  // "none", "zeroed", "bios-parameters", exFAT "checksum"
  std::string bad_clusters;
  uint32_t free_clusters = 0;
};

struct Manifest {
  ManifestCard card;
  std::vector<ManifestPartition> partitions;
  std::vector<ManifestVolume> volumes;
  // The first volume, the only one on most cards.
  ManifestVolume volume;
  std::vector<ManifestRecord> records;

  // The record with this path or long path (live records first), or nullptr; `volume` 0 looks
  // in all.
  const ManifestRecord* Find(std::string_view path, int volume = 0) const;
  const ManifestVolume* FindVolume(int number) const;
  const ManifestPartition* FindPartition(int number) const;
};

// The record with this path among `records` (live records first), or nullptr; `volume` 0 looks
// in all volumes.
const ManifestRecord* FindRecord(const std::vector<ManifestRecord>& records, std::string_view path,
                                 int volume = 0);

// One record as a JSON line.
std::string ManifestRecordLine(const ManifestRecord& record);
// JSON lines: one object for the card, one per partition, then for each volume its object and
// one per record, then the raw writes outside all volumes.
std::string ManifestToJsonLines(const Manifest& manifest);
Status ManifestFromJsonLines(std::string_view text, Manifest* manifest);
Status ReadManifestFile(const std::filesystem::path& path, Manifest* manifest);

}  // namespace kova::mkcard
