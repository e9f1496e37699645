#include "storage/fat_entries.h"

#include <algorithm>

#include "ondisk/fat_entry.h"

namespace kova {

namespace {

// Entries read at a time; even, so that FAT12 entry pairs never straddle two reads.
constexpr int64_t kChunkEntries = int64_t{1} << 18;

// Reads `bytes` at `place` (an offset inside a table) from table copy `copy`, else whole from
// another copy (one request, where a device is read directly). When no copy reads whole, each
// sector is read on its own, one that fails from the other copies in turn, so that a bad sector
// in each copy costs only its own entries. Bytes that no copy holds stay zeros, free entries.
// False when not one sector could be read.
bool ReadTableBytes(const TXVolumeReader& read, const TXBootSector& boot, uint32_t copy,
                    int64_t place, std::vector<uint8_t>& bytes) {
  const int64_t count = static_cast<int64_t>(bytes.size());
  if (read(boot.FatOffset(copy) + place, bytes.data(), count)) return true;
  for (uint32_t other = 0; other < boot.FatCount(); ++other) {
    if (other != copy && read(boot.FatOffset(other) + place, bytes.data(), count)) return true;
  }
  const int64_t sector = boot.BytesPerSector();
  bool any = false;
  for (int64_t at = 0; at < count; at += sector) {
    const int64_t n = std::min(sector, count - at);
    uint8_t* into = bytes.data() + at;
    bool held = read(boot.FatOffset(copy) + place + at, into, n);
    for (uint32_t other = 0; !held && other < boot.FatCount(); ++other)
      held = other != copy && read(boot.FatOffset(other) + place + at, into, n);
    if (!held) std::fill(into, into + n, uint8_t{0});
    any = any || held;
  }
  return any;
}

}  // namespace

bool TXFatEntries::TableFits(const TXBootSector& boot) {
  const TXFatType type = boot.Type();
  if (type == TXFatType::ftUnknown || boot.BytesPerSector() == 0) return false;
  const int64_t count = boot.ClusterCount();
  return count <= kMaxEntries && FatEntriesBytes(type, count) <= boot.FatBytes();
}

bool TXFatEntries::Read(const TXVolumeReader& read, const TXBootSector& boot, int64_t volumeBytes,
                        uint32_t copy) {
  entries_.clear();
  if (!TableFits(boot)) return false;
  const TXFatType type = boot.Type();
  const int64_t count = boot.ClusterCount();
  const int64_t table = boot.FatOffset(copy);
  entries_.assign(static_cast<size_t>(count), kFatFree);
  std::vector<uint8_t> bytes;
  for (int64_t first = 0; first < count; first += kChunkEntries) {
    const int64_t start = table + FatEntryOffset(type, first);
    // Only the entries that lie wholly inside the volume are read.
    const int64_t held =
        std::min({kChunkEntries, count - first, FatEntriesIn(type, volumeBytes - start)});
    if (held <= 0) break;
    bytes.assign(static_cast<size_t>(FatEntriesBytes(type, held)), 0);
    if (!ReadTableBytes(read, boot, copy, start - table, bytes)) continue;
    for (int64_t n = first; n < first + held; ++n)
      entries_[static_cast<size_t>(n)] = DecodeFatEntry(bytes, type, first, n);
  }
  return true;
}

uint32_t TXFatEntries::ReadOne(const TXVolumeReader& read, const TXBootSector& boot,
                               int64_t volumeBytes, uint32_t n, uint32_t copy) {
  if (!TableFits(boot) || n >= boot.ClusterCount()) return kFatFree;
  const TXFatType type = boot.Type();
  // FAT12 entries come in pairs of three bytes: the pair is read from its even entry.
  const int64_t first = n & ~int64_t{1};
  const int64_t start = boot.FatOffset(copy) + FatEntryOffset(type, first);
  std::vector<uint8_t> bytes(static_cast<size_t>(FatEntriesBytes(type, n - first + 1)), 0);
  const auto size = static_cast<int64_t>(bytes.size());
  if (start + size > volumeBytes || !read(start, bytes.data(), size)) return kFatFree;
  return DecodeFatEntry(bytes, type, first, n);
}

int64_t TXFatEntries::FreeCount() const {
  if (entries_.size() < 2) return 0;
  return std::count(entries_.begin() + 2, entries_.end(), kFatFree);
}

}  // namespace kova
