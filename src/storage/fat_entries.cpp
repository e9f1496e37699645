#include "storage/fat_entries.h"

#include <algorithm>

#include "ondisk/fat_entry.h"

namespace kova {

namespace {

// Entries read at a time; even, so that FAT12 entry pairs never straddle two reads.
constexpr int64_t kChunkEntries = int64_t{1} << 18;

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
    if (!read(start, bytes.data(), static_cast<int64_t>(bytes.size()))) continue;
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
