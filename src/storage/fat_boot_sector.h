#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kova {

class IXBlockDevice;

enum class TXFatKind : uint8_t { fkNone, fkFat12, fkFat16, fkFat32 };

// What the boot sector of a FAT volume tells about it, for the volume information of an input.
struct TXFatBootFacts {
  TXFatKind Kind = TXFatKind::fkNone;
  uint32_t SectorSize = 0;
  uint32_t SectorsPerCluster = 0;
  uint32_t ReservedSectors = 0;
  uint32_t FatCount = 0;
  uint32_t FatSectors = 0;
  int64_t TotalClusters = 0;
  uint32_t FsInfoSector = 0;  // FAT32 only
  uint32_t Serial = 0;
  std::string Label;  // trimmed; empty for "NO NAME"

  uint32_t ClusterSize() const { return SectorSize * SectorsPerCluster; }
  // "FAT" for FAT12 and FAT16, "FAT32", as the recovery expects the names.
  std::string FileSystemName() const;
};

// Decodes a 512-byte boot sector; false when it is not a plausible FAT boot sector.
bool DecodeFatBootSector(std::span<const uint8_t> sector, TXFatBootFacts& facts);

// Reads the boot sector at offset 0 of the device and decodes it.
bool ReadFatBootFacts(IXBlockDevice& device, TXFatBootFacts& facts);

// The number of free clusters: the FAT32 information sector's count when it is plausible,
// otherwise counted in the first allocation table. -1 when the table cannot be read.
int64_t CountFreeClusters(IXBlockDevice& device, const TXFatBootFacts& facts);

}  // namespace kova
