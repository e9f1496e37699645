#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "byte_order.h"

// The GUID partition table's header and entry array, with their CRC32s.
namespace kova::mkcard {

// In the on-disk byte order: the first three groups little-endian, the rest as written.
using Guid = std::array<uint8_t, 16>;

// "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7" (either case).
bool ParseGuid(std::string_view text, Guid* guid);
std::string FormatGuid(const Guid& guid);
// A partition type by alias ("basic-data" for FAT and exFAT, "efi", "linux") or as a GUID.
bool GptPartitionType(std::string_view alias_or_guid, Guid* guid);
// A random-looking (version 4) GUID that depends only on `seed`.
Guid GuidFromSeed(uint64_t seed);

inline constexpr uint32_t kGptEntryBytes = 128;
inline constexpr uint64_t kGptLegacyBootable = uint64_t{1} << 2;

struct GptEntry {
  Guid type{};  // all zero: an unused slot
  Guid unique{};
  uint64_t first_sector = 0;
  uint64_t last_sector = 0;  // inclusive
  uint64_t attributes = 0;
  std::u16string name;  // at most 36 UTF-16 units
};

// `slots` entries of 128 bytes; entry i goes to slot i.
Bytes GptEntryArray(const std::vector<GptEntry>& entries, uint32_t slots);

struct GptHeaderFields {
  uint64_t own_sector = 0;
  uint64_t other_header_sector = 0;
  uint64_t first_usable_sector = 0;
  uint64_t last_usable_sector = 0;
  Guid disk{};
  uint64_t entries_sector = 0;
  uint32_t entry_slots = 0;
  uint32_t entries_crc = 0;
};

// One 512-byte sector: the 92-byte header with its CRC32, then zeros.
Bytes GptHeader(const GptHeaderFields& fields);

}  // namespace kova::mkcard
