#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "card_manifest.h"

namespace kova::mkcard {

// What an exFAT volume is made of; offsets count from the image's first byte.
struct ExfatManifestVolume {
  uint64_t image_bytes = 0;
  uint64_t volume_offset = 0;
  uint64_t volume_sectors = 0;
  uint32_t cluster_bytes = 0;
  uint64_t fat_offset = 0;
  uint32_t fat_sectors = 0;
  uint32_t fat_count = 1;
  uint64_t heap_offset = 0;  // cluster 2
  uint32_t cluster_count = 0;
  uint32_t root_cluster = 0;
  uint32_t bitmap_cluster = 0;
  uint32_t upcase_cluster = 0;
  std::string label;
  uint32_t serial = 0;
  uint32_t free_clusters = 0;
  std::string boot_damage;  // "none", "zeroed-boot-sector" or "bad-checksum"
};

// The manifest of an exFAT card. Records are those of FAT cards, with these meanings: `path`
// joins the names by "/", `long_name` is the entry's name (`short_name` stays empty),
// `entry_offset` is the set's File entry, and `time` is the modification stamp as
// "YYYY-MM-DD HH:MM:SS.CC" followed by its UTC offset ("+02:00") when the entry has one.
struct ExfatManifest {
  ExfatManifestVolume volume;
  std::vector<ManifestRecord> records;

  const ManifestRecord* Find(std::string_view path) const { return FindRecord(records, path); }
};

// JSON lines: one object for the volume ("type":"exFAT"), then one per record.
std::string ExfatManifestToJsonLines(const ExfatManifest& manifest);

}  // namespace kova::mkcard
