#include "ondisk/fat_dir_entry.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "ondisk/little_endian.h"

namespace kova {

namespace {

constexpr uint8_t kLongNameAttributes = 0x0F;
constexpr uint8_t kLabelBit = 0x08;
constexpr uint8_t kFolderBit = 0x10;

// Short-name characters: blank, ! # $ % & ' ( ) - @ ^ _ { } ~, digits, capitals and 0x80-0xFF.
constexpr std::array<bool, 256> MakeNameChars() {
  std::array<bool, 256> set{};
  for (char c : std::string_view(" !#$%&'()-@^_{}~"))
    set[static_cast<uint8_t>(c)] = true;
  for (int c = '0'; c <= '9'; ++c)
    set[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c)
    set[c] = true;
  for (int c = 0x80; c <= 0xFF; ++c)
    set[c] = true;
  return set;
}

constexpr std::array<bool, 256> kNameChars = MakeNameChars();

bool IsFirstChar(uint8_t c) {
  return kNameChars[c] || c == 0x00 || c == 0x05 || c == '.';
}

bool IsDotName(TXDirEntryBytes e) {
  std::string_view name(reinterpret_cast<const char*>(e.data()), 11);
  return name == ".          " || name == "..         ";
}

}  // namespace

uint8_t EntryAttributes(TXDirEntryBytes entry) {
  return entry[11];
}

uint32_t EntrySize(TXDirEntryBytes entry) {
  return LeU32(entry, 28);
}

bool IsLongNameEntry(TXDirEntryBytes entry) {
  return EntryAttributes(entry) == kLongNameAttributes;
}

bool IsEndEntry(TXDirEntryBytes entry) {
  return entry[0] == 0x00;
}

bool IsDeletedEntry(TXDirEntryBytes entry) {
  return entry[0] == kDeletedMark;
}

bool IsDotEntry(TXDirEntryBytes entry) {
  return entry[0] == '.';
}

bool IsVolumeLabelEntry(TXDirEntryBytes entry) {
  return (EntryAttributes(entry) & kLabelBit) && !IsLongNameEntry(entry) && !IsEndEntry(entry) &&
         !IsDeletedEntry(entry);
}

bool IsFolderEntry(TXDirEntryBytes entry) {
  return (EntryAttributes(entry) & kFolderBit) && !IsDotEntry(entry) && !IsLongNameEntry(entry);
}

bool IsValidShortEntry(TXDirEntryBytes entry) {
  if (IsLongNameEntry(entry) || !IsFirstChar(entry[0])) return false;
  if (!std::all_of(entry.begin() + 1, entry.begin() + 11, [](uint8_t c) { return kNameChars[c]; }))
    return false;
  if (EntryAttributes(entry) & (kLabelBit | kFolderBit)) return EntrySize(entry) % 512 == 0;
  return true;
}

bool IsValidEntry(TXDirEntryBytes entry) {
  if (entry[0] == 0x00) {
    return std::all_of(entry.begin(), entry.end(), [](uint8_t c) { return c == 0; });
  }
  if (entry[0] == '.') {
    return IsDotName(entry) && EntrySize(entry) == 0 && EntryAttributes(entry) == kFolderBit;
  }
  if (IsLongNameEntry(entry)) return entry[12] == 0 && LeU16(entry, 26) == 0;
  return IsValidShortEntry(entry) && entry[13] <= 199 && EntryAttributes(entry) < 0x40;
}

bool IsFileEntry(TXDirEntryBytes entry) {
  return IsValidShortEntry(entry) && !IsFolderEntry(entry) && !IsDotEntry(entry) &&
         !IsEndEntry(entry) && EntrySize(entry) != 0;
}

uint32_t FirstClusterOf(TXDirEntryBytes entry, bool isFat32) {
  uint32_t low = LeU16(entry, 26);
  return isFat32 ? (uint32_t{LeU16(entry, 20)} << 16) | low : low;
}

}  // namespace kova
