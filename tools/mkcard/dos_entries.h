#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "status.h"

// The 32-byte directory entries of a FAT volume: short 8.3 entries, long-name entries and the
// DOS date and time stamps they carry.
namespace kova::mkcard {

using DirEntry = std::array<uint8_t, 32>;

inline constexpr uint8_t kAttrVolumeLabel = 0x08;
inline constexpr uint8_t kAttrFolder = 0x10;
inline constexpr uint8_t kAttrArchive = 0x20;
inline constexpr uint8_t kAttrLongName = 0x0F;
inline constexpr uint8_t kDeletedMark = 0xE5;

struct DosTime {
  uint16_t date = 0;
  uint16_t time = 0;
};

// "2024-05-18 10:00:00" or "2024-05-18T10:00:00", years 1980 to 2107; seconds are stored in
// two-second steps, so an odd second is refused rather than silently changed.
std::optional<DosTime> ParseDosTime(std::string_view text);
std::string FormatDosTime(DosTime time);

DirEntry ShortEntry(const std::array<uint8_t, 11>& name, uint8_t attributes, uint32_t first_cluster,
                    uint32_t size, DosTime time);
DirEntry DotEntry(bool dot_dot, uint32_t cluster, DosTime time);
DirEntry VolumeLabelEntry(std::string_view label, DosTime time);

uint8_t ShortNameChecksum(const std::array<uint8_t, 11>& name);

// The long-name entries that go before a short entry, in on-disk order (highest part first).
Status LongNameEntries(std::string_view utf8_name, const std::array<uint8_t, 11>& short_name,
                       std::vector<DirEntry>* entries);

}  // namespace kova::mkcard
