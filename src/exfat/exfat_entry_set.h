#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kova {

class TXExfatBootSector;

// One 32-byte directory entry of an exFAT volume. The type's bit 7 is the InUse bit; deleting
// clears it and leaves the rest of the entry as it was.
using TXExfatRawEntry = std::array<uint8_t, 32>;

inline constexpr uint8_t kExfatInUse = 0x80;
inline constexpr uint8_t kExfatEndOfDirectory = 0x00;
inline constexpr uint8_t kExfatBitmapEntry = 0x81;
inline constexpr uint8_t kExfatLabelEntry = 0x83;
inline constexpr uint8_t kExfatFileEntry = 0x85;
inline constexpr uint8_t kExfatStreamEntry = 0xC0;
inline constexpr uint8_t kExfatNameEntry = 0xC1;
inline constexpr uint16_t kExfatFolderAttribute = 0x10;
// The entries a set may have: the File entry and at most 255 secondaries.
inline constexpr size_t kExfatMaxSetEntries = 256;

// A File entry (in use or deleted), whose set of 1 + secondary count entries it opens.
bool IsExfatFileEntry(const TXExfatRawEntry& entry);
size_t ExfatSetLength(const TXExfatRawEntry& file);

// The checksum of a set as it was written: every byte but the checksum field, with the InUse bit
// of every entry set, so that a deleted set still matches its checksum.
uint16_t ExfatSetChecksum(std::span<const TXExfatRawEntry> set);

// A file or folder as its entry set describes it.
struct TXExfatFileEntry {
  std::string Name;  // UTF-8
  uint16_t Attributes = 0;
  bool Deleted = false;      // the set's InUse bits are cleared
  bool ChecksumBad = false;  // used all the same: its stream entry is sound
  bool NoFatChain = false;   // the data is contiguous
  uint32_t FirstCluster = 0;
  uint64_t DataLength = 0;
  uint64_t ValidDataLength = 0;  // bytes written; those after it are as the card holds them
  double Created = 0;
  double Modified = 0;
  double Accessed = 0;

  bool IsFolder() const { return Attributes & kExfatFolderAttribute; }
};

// Decodes the set that `set` holds: the File entry, the Stream Extension entry, the File Name
// entries and any further secondaries, all in use or all deleted (as the File entry is). Nothing
// when the set is not whole or its stream entry is not sound: a name of 1 to 255 characters in
// as many name entries as it needs, a valid length no larger than the data length, and data
// that starts on a cluster of the heap and fits in it. A wrong set checksum is kept in the
// result. `set` may hold more entries than the set needs; only the set's are read.
std::optional<TXExfatFileEntry> DecodeExfatSet(std::span<const TXExfatRawEntry> set,
                                               const TXExfatBootSector& boot);

}  // namespace kova
