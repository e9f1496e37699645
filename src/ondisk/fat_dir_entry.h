#pragma once

#include <cstdint>
#include <span>

// Tests over one raw 32-byte directory entry: 0 name (8 bytes), 8 extension (3), 11 attributes,
// 12 reserved, 13 creation tenths, 14 creation time, 16 creation date, 18 access date, 20 first
// cluster high word, 22 write time, 24 write date, 26 first cluster low word, 28 size.
namespace kova {

using TXDirEntryBytes = std::span<const uint8_t, 32>;

inline constexpr size_t kDirEntrySize = 32;
inline constexpr uint8_t kDeletedMark = 0xE5;

bool IsLongNameEntry(TXDirEntryBytes entry);
bool IsEndEntry(TXDirEntryBytes entry);
bool IsDeletedEntry(TXDirEntryBytes entry);
bool IsDotEntry(TXDirEntryBytes entry);
// The volume label of a root folder (attribute 0x08 without being a long-name entry), in use.
bool IsVolumeLabelEntry(TXDirEntryBytes entry);
// A subfolder: attribute 0x10, neither a dot entry nor a long-name entry.
bool IsFolderEntry(TXDirEntryBytes entry);
// Every name byte is a short-name character; a label or folder has a size that is 0 or a
// multiple of 512.
bool IsValidShortEntry(TXDirEntryBytes entry);
// The entry could stand in a directory as it is: what a lost-folder search trusts.
bool IsValidEntry(TXDirEntryBytes entry);
// A short entry of a file with data: not a folder, dot or end entry, size not 0.
bool IsFileEntry(TXDirEntryBytes entry);

uint32_t FirstClusterOf(TXDirEntryBytes entry, bool isFat32);
uint32_t EntrySize(TXDirEntryBytes entry);
uint8_t EntryAttributes(TXDirEntryBytes entry);

}  // namespace kova
