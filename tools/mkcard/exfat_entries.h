#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exfat_stamp.h"
#include "status.h"

// The 32-byte directory entries of an exFAT volume: the entry set of a file or folder (File,
// Stream Extension and File Name entries with their set checksum and name hash) and the root
// folder's label, allocation bitmap and up-case table entries.
namespace kova::mkcard {

using ExfatEntry = std::array<uint8_t, 32>;

inline constexpr uint8_t kExfatInUse = 0x80;
inline constexpr uint8_t kExfatFileType = 0x85;
inline constexpr uint8_t kExfatStreamType = 0xC0;
inline constexpr uint8_t kExfatNameType = 0xC1;
inline constexpr uint8_t kExfatBitmapType = 0x81;
inline constexpr uint8_t kExfatUpcaseType = 0x82;
inline constexpr uint8_t kExfatLabelType = 0x83;
inline constexpr uint16_t kExfatAttrFolder = 0x10;
inline constexpr uint16_t kExfatAttrArchive = 0x20;
inline constexpr size_t kExfatNameChars = 15;  // characters per File Name entry
inline constexpr size_t kExfatLabelChars = 11;

// What the entry set of one file or folder says.
struct ExfatFileSet {
  std::u16string name;
  uint16_t attributes = kExfatAttrArchive;
  ExfatStamp created, modified, accessed;
  uint32_t first_cluster = 0;
  uint64_t data_length = 0;
  uint64_t valid_data_length = 0;
  bool no_fat_chain = false;  // the data is contiguous and has no chain in the FAT
};

// The name as exFAT stores it: 1 to 255 UTF-16 units, none of them a control character or one
// of " * / : < > ? \ |, and not "." or "..".
Status ExfatNameOf(std::string_view utf8_name, std::u16string* name);

// The File, Stream Extension and File Name entries, in use, with the set checksum.
std::vector<ExfatEntry> ExfatFileEntries(const ExfatFileSet& set);
// The checksum of a set over all its bytes but the checksum field itself.
uint16_t ExfatSetChecksum(const std::vector<ExfatEntry>& entries);
// The hash of the up-cased name that the Stream Extension entry carries.
uint16_t ExfatNameHash(std::u16string_view name);

ExfatEntry ExfatLabelEntry(std::u16string_view label);
ExfatEntry ExfatBitmapEntry(uint32_t first_cluster, uint64_t bytes);
ExfatEntry ExfatUpcaseEntry(uint32_t first_cluster, uint64_t bytes, uint32_t table_checksum);

}  // namespace kova::mkcard
