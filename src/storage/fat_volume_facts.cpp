#include "storage/fat_volume_facts.h"

#include <algorithm>
#include <vector>

#include "storage/platform_device.h"

namespace kova {

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

bool ReadExactly(IXBlockDevice& device, int64_t offset, void* bytes, int64_t count) {
  int error = 0;
  return device.ReadAt(offset, bytes, count, error) == count;
}

int64_t FsInfoFreeCount(IXBlockDevice& device, const TXBootSector& boot, int64_t clusters) {
  uint32_t at = boot.FsInfoSector();
  if (at == 0 || at >= boot.ReservedSectors()) return -1;
  std::vector<uint8_t> sector(512);
  if (!ReadExactly(device, int64_t{at} * boot.BytesPerSector(), sector.data(), 512)) return -1;
  if (U32(sector, 0) != 0x41615252 || U32(sector, 484) != 0x61417272) return -1;
  uint32_t free = U32(sector, 488);
  return free <= clusters ? int64_t{free} : -1;
}

// Byte offset of an entry in the table (FAT12 packs two entries in three bytes).
int64_t EntryOffset(TXFatType type, int64_t entry) {
  switch (type) {
    case TXFatType::ftFat12:
      return entry + entry / 2;
    case TXFatType::ftFat16:
      return entry * 2;
    default:
      return entry * 4;
  }
}

uint32_t EntryAt(const std::vector<uint8_t>& table, TXFatType type, int64_t entry) {
  auto at = static_cast<size_t>(EntryOffset(type, entry));
  uint32_t low = table[at] | (table[at + 1] << 8);
  switch (type) {
    case TXFatType::ftFat12:
      return entry % 2 ? low >> 4 : low & 0x0FFF;
    case TXFatType::ftFat16:
      return low;
    default:
      return U32(table, at) & 0x0FFFFFFF;
  }
}

}  // namespace

bool ReadFatBootSector(IXBlockDevice& device, TXBootSector& boot) {
  return ReadExactly(device, 0, boot.Bytes().data(), TXBootSector::kSize) && boot.IsPlausible() &&
         boot.Type() != TXFatType::ftUnknown;
}

std::string FatFileSystemName(const TXBootSector& boot) {
  return boot.Type() == TXFatType::ftFat32 ? "FAT32" : "FAT";
}

int64_t CountFreeClusters(IXBlockDevice& device, const TXBootSector& boot) {
  TXFatType type = boot.Type();
  int64_t clusters = std::max<int64_t>(0, boot.ClusterCount() - 2);
  if (type == TXFatType::ftUnknown) return -1;
  if (type == TXFatType::ftFat32) {
    int64_t hinted = FsInfoFreeCount(device, boot, clusters);
    if (hinted >= 0) return hinted;
  }
  // Chunks start on even entries so that FAT12 entry pairs never straddle two chunks.
  constexpr int64_t kChunkEntries = 1 << 18;
  const int64_t entries = clusters + 2;
  int64_t free = 0;
  for (int64_t first = 0; first < entries; first += kChunkEntries) {
    int64_t count = std::min(kChunkEntries, entries - first);
    int64_t need = EntryOffset(type, count - 1) + (type == TXFatType::ftFat32 ? 4 : 2);
    std::vector<uint8_t> table(static_cast<size_t>(need));
    if (!ReadExactly(device, boot.FatOffset(0) + EntryOffset(type, first), table.data(), need))
      return -1;
    for (int64_t i = std::max<int64_t>(0, 2 - first); i < count; ++i) {
      if (EntryAt(table, type, i) == 0) ++free;
    }
  }
  return free;
}

}  // namespace kova
