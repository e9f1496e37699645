#include "storage/fat_boot_sector.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "framework/text_utils.h"
#include "storage/platform_device.h"

namespace kova {

namespace {

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(U16(b, at)) | (static_cast<uint32_t>(U16(b, at + 2)) << 16);
}

std::string LabelAt(std::span<const uint8_t> b, size_t at) {
  std::string label(reinterpret_cast<const char*>(b.data() + at), 11);
  std::string trimmed(Trim(label));
  return trimmed == "NO NAME" ? std::string() : trimmed;
}

TXFatKind KindOfClusterCount(int64_t clusters) {
  if (clusters < 4085) return TXFatKind::fkFat12;
  if (clusters < 65525) return TXFatKind::fkFat16;
  return TXFatKind::fkFat32;
}

bool ReadExactly(IXBlockDevice& device, int64_t offset, std::vector<uint8_t>& bytes) {
  int error = 0;
  return device.ReadAt(offset, bytes.data(), static_cast<int64_t>(bytes.size()), error) ==
         static_cast<int64_t>(bytes.size());
}

int64_t FsInfoFreeCount(IXBlockDevice& device, const TXFatBootFacts& facts) {
  if (facts.FsInfoSector == 0 || facts.FsInfoSector >= facts.ReservedSectors) return -1;
  std::vector<uint8_t> sector(512);
  if (!ReadExactly(device, int64_t{facts.FsInfoSector} * facts.SectorSize, sector)) return -1;
  if (U32(sector, 0) != 0x41615252 || U32(sector, 484) != 0x61417272) return -1;
  uint32_t free = U32(sector, 488);
  return free <= facts.TotalClusters ? int64_t{free} : -1;
}

// Byte offset of an entry in the table (FAT12 packs two entries in three bytes).
int64_t EntryOffset(TXFatKind kind, int64_t entry) {
  switch (kind) {
    case TXFatKind::fkFat12:
      return entry + entry / 2;
    case TXFatKind::fkFat16:
      return entry * 2;
    default:
      return entry * 4;
  }
}

uint32_t EntryAt(std::span<const uint8_t> table, TXFatKind kind, int64_t entry) {
  auto at = static_cast<size_t>(EntryOffset(kind, entry));
  switch (kind) {
    case TXFatKind::fkFat12:
      return entry % 2 ? U16(table, at) >> 4 : U16(table, at) & 0x0FFF;
    case TXFatKind::fkFat16:
      return U16(table, at);
    default:
      return U32(table, at) & 0x0FFFFFFF;
  }
}

}  // namespace

std::string TXFatBootFacts::FileSystemName() const {
  switch (Kind) {
    case TXFatKind::fkFat12:
    case TXFatKind::fkFat16:
      return "FAT";
    case TXFatKind::fkFat32:
      return "FAT32";
    default:
      return {};
  }
}

bool DecodeFatBootSector(std::span<const uint8_t> b, TXFatBootFacts& facts) {
  facts = {};
  if (b.size() < 512 || (b[0] != 0xEB && b[0] != 0xE9)) return false;
  uint32_t sectorSize = U16(b, 0x0B);
  uint32_t perCluster = b[0x0D];
  uint32_t reserved = U16(b, 0x0E);
  uint32_t fats = b[0x10];
  uint32_t rootEntries = U16(b, 0x11);
  int64_t totalSectors = U16(b, 0x13) ? U16(b, 0x13) : U32(b, 0x20);
  bool wide = U16(b, 0x16) == 0;
  uint32_t fatSectors = wide ? U32(b, 0x24) : U16(b, 0x16);
  if (sectorSize < 512 || sectorSize > 4096 || !std::has_single_bit(sectorSize)) return false;
  if (perCluster == 0 || !std::has_single_bit(perCluster) || reserved == 0 || fats == 0)
    return false;
  if (fatSectors == 0 || totalSectors == 0) return false;
  int64_t rootSectors = (int64_t{rootEntries} * 32 + sectorSize - 1) / sectorSize;
  int64_t dataStart = reserved + int64_t{fats} * fatSectors + rootSectors;
  if (dataStart >= totalSectors) return false;
  facts.SectorSize = sectorSize;
  facts.SectorsPerCluster = perCluster;
  facts.ReservedSectors = reserved;
  facts.FatCount = fats;
  facts.FatSectors = fatSectors;
  facts.TotalClusters = (totalSectors - dataStart) / perCluster;
  facts.Kind = KindOfClusterCount(facts.TotalClusters);
  size_t extended = facts.Kind == TXFatKind::fkFat32 ? 0x40 : 0x24;
  if (facts.Kind == TXFatKind::fkFat32) facts.FsInfoSector = U16(b, 0x30);
  if (b[extended + 2] == 0x29) {
    facts.Serial = U32(b, extended + 3);
    facts.Label = LabelAt(b, extended + 7);
  }
  return true;
}

bool ReadFatBootFacts(IXBlockDevice& device, TXFatBootFacts& facts) {
  std::vector<uint8_t> sector(512);
  return ReadExactly(device, 0, sector) && DecodeFatBootSector(sector, facts);
}

int64_t CountFreeClusters(IXBlockDevice& device, const TXFatBootFacts& facts) {
  if (facts.Kind == TXFatKind::fkNone) return -1;
  if (facts.Kind == TXFatKind::fkFat32) {
    int64_t hinted = FsInfoFreeCount(device, facts);
    if (hinted >= 0) return hinted;
  }
  // Chunks start on even entries so that FAT12 entry pairs never straddle two chunks.
  constexpr int64_t kChunkEntries = 1 << 18;
  int64_t tableStart = int64_t{facts.ReservedSectors} * facts.SectorSize;
  int64_t entries = facts.TotalClusters + 2;
  int64_t free = 0;
  for (int64_t first = 0; first < entries; first += kChunkEntries) {
    int64_t count = std::min(kChunkEntries, entries - first);
    int64_t need = EntryOffset(facts.Kind, count - 1) + (facts.Kind == TXFatKind::fkFat32 ? 4 : 2);
    std::vector<uint8_t> table(static_cast<size_t>(need));
    int error = 0;
    if (device.ReadAt(tableStart + EntryOffset(facts.Kind, first), table.data(), need, error) !=
        need) {
      return -1;
    }
    for (int64_t i = std::max<int64_t>(0, 2 - first); i < count; ++i) {
      if (EntryAt(table, facts.Kind, i) == 0) ++free;
    }
  }
  return free;
}

}  // namespace kova
