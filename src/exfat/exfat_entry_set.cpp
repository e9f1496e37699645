#include "exfat/exfat_entry_set.h"

#include <vector>

#include "exfat/exfat_time.h"
#include "framework/unicode_text.h"
#include "ondisk/exfat_boot_sector.h"
#include "ondisk/little_endian.h"

namespace kova {

namespace {

constexpr size_t kNameChars = 15;
constexpr uint8_t kAllocationPossible = 0x01;
constexpr uint8_t kNoFatChain = 0x02;
constexpr uint8_t kSecondaryCategory = 0x40;  // bit 6 of a type: a secondary entry

// The type with the InUse bit the set's File entry has.
bool HasType(const TXExfatRawEntry& entry, uint8_t inUseType, bool deleted) {
  return entry[0] == (deleted ? inUseType & ~kExfatInUse : inUseType);
}

bool IsSecondary(const TXExfatRawEntry& entry, bool deleted) {
  return (entry[0] & kSecondaryCategory) && bool(entry[0] & kExfatInUse) == !deleted;
}

double DateAt(const TXExfatRawEntry& file, size_t stampAt, uint8_t tenMs, size_t offsetAt) {
  double value = 0;
  return ExfatStampToDateTime(LeU32(file, stampAt), tenMs, file[offsetAt], value) ? value : 0;
}

// The stream entry is sound when its data could be where it says.
bool SoundStream(const TXExfatRawEntry& stream, const TXExfatBootSector& boot, size_t entries) {
  const size_t nameLength = stream[3];
  const size_t nameEntries = (nameLength + kNameChars - 1) / kNameChars;
  const uint64_t length = LeU64(stream, 24);
  const uint64_t heapBytes = uint64_t{boot.ClusterCount()} * uint64_t(boot.ClusterBytes());
  if (nameLength == 0 || 1 + nameEntries > entries || LeU64(stream, 8) > length) return false;
  if (length == 0) return true;
  return (stream[1] & kAllocationPossible) && boot.IsDataCluster(LeU32(stream, 20)) &&
         length <= heapBytes;
}

std::string NameOf(std::span<const TXExfatRawEntry> names, size_t length) {
  std::vector<char16_t> units;
  for (const TXExfatRawEntry& entry : names) {
    for (size_t i = 0; i < kNameChars && units.size() < length; ++i)
      units.push_back(static_cast<char16_t>(LeU16(entry, 2 + 2 * i)));
  }
  // A zero unit inside the name would end it early; it stands for a character nothing can show.
  for (char16_t& unit : units)
    if (unit == 0) unit = 0xFFFD;
  return Utf16ToUtf8(units);
}

}  // namespace

bool IsExfatFileEntry(const TXExfatRawEntry& entry) {
  return (entry[0] | kExfatInUse) == kExfatFileEntry;
}

size_t ExfatSetLength(const TXExfatRawEntry& file) {
  return size_t{1} + file[1];
}

uint16_t ExfatSetChecksum(std::span<const TXExfatRawEntry> set) {
  uint16_t sum = 0;
  for (size_t i = 0; i < set.size(); ++i) {
    for (size_t b = 0; b < set[i].size(); ++b) {
      if (i == 0 && (b == 2 || b == 3)) continue;
      const uint8_t byte = b == 0 ? set[i][0] | kExfatInUse : set[i][b];
      sum = static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + byte);
    }
  }
  return sum;
}

std::optional<TXExfatFileEntry> DecodeExfatSet(std::span<const TXExfatRawEntry> set,
                                               const TXExfatBootSector& boot) {
  if (set.empty() || !IsExfatFileEntry(set[0])) return std::nullopt;
  const TXExfatRawEntry& file = set[0];
  const bool deleted = !(file[0] & kExfatInUse);
  const size_t length = ExfatSetLength(file);
  if (length < 3 || length > set.size()) return std::nullopt;
  set = set.first(length);
  const TXExfatRawEntry& stream = set[1];
  if (!HasType(stream, kExfatStreamEntry, deleted) || !SoundStream(stream, boot, length - 1))
    return std::nullopt;
  const size_t nameEntries = (stream[3] + kNameChars - 1) / kNameChars;
  for (size_t i = 2; i < length; ++i) {
    const bool name = i < 2 + nameEntries;
    if (name ? !HasType(set[i], kExfatNameEntry, deleted) : !IsSecondary(set[i], deleted))
      return std::nullopt;
  }
  TXExfatFileEntry entry;
  entry.Name = NameOf(set.subspan(2, nameEntries), stream[3]);
  entry.Attributes = static_cast<uint16_t>(LeU16(file, 4));
  entry.Deleted = deleted;
  entry.ChecksumBad = ExfatSetChecksum(set) != LeU16(file, 2);
  entry.NoFatChain = stream[1] & kNoFatChain;
  entry.FirstCluster = LeU32(stream, 20);
  entry.DataLength = LeU64(stream, 24);
  entry.ValidDataLength = LeU64(stream, 8);
  entry.Created = DateAt(file, 8, file[20], 22);
  entry.Modified = DateAt(file, 12, file[21], 23);
  entry.Accessed = DateAt(file, 16, 0, 24);
  return entry;
}

}  // namespace kova
