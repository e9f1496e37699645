#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ondisk/little_endian.h"

namespace kova {

enum class TXFatType : uint8_t { ftUnknown, ftFat12, ftFat16, ftFat32 };

// "FAT12", "FAT16", "FAT32", or "" for an unknown type.
std::string FatTypeName(TXFatType type);
// Whether a file-system name that the system or an image's trailer reports may be a FAT volume:
// "FAT" (FAT12 and FAT16, as the volume information names them), "FAT12", "FAT16", "FAT32" or
// "vfat", in any case. "exFAT" is not.
bool IsFatFileSystemName(std::string_view name);

// An 11-byte FAT volume label (boot sector or root-folder entry) decoded with the OEM code page
// and trimmed; "" for a label of blanks or the formatters' "NO NAME", which stands for none.
std::string DecodeFatLabel(std::span<const uint8_t> label, uint16_t codePage);

// The first 512 bytes of a FAT volume (little-endian), with the fields the recovery and the volume
// information read and the arithmetic that places the tables, the root folder and the clusters.
// The type text decides the type when it is "FAT12", "FAT16" or "FAT32", as the formatter wrote
// it; any other text (some cameras write "FAT     " or nothing) leaves the decision to the
// cluster count, as the FAT standard does, for a plausible boot sector. Offsets are bytes from
// the start of the volume and use the boot sector's own sector size.
class TXBootSector {
 public:
  static constexpr size_t kSize = 512;

  TXBootSector() = default;
  // Copies up to 512 bytes; the rest stays zero.
  explicit TXBootSector(std::span<const uint8_t> bytes);

  std::array<uint8_t, kSize>& Bytes() { return bytes_; }
  const std::array<uint8_t, kSize>& Bytes() const { return bytes_; }
  void Clear() { bytes_.fill(0); }

  uint32_t BytesPerSector() const { return U16(11); }
  uint32_t SectorsPerCluster() const { return bytes_[13]; }
  uint32_t ReservedSectors() const { return U16(14); }
  uint32_t FatCount() const { return bytes_[16]; }
  uint32_t RootEntries() const { return U16(17); }
  // The 16-bit count when it is not 0, else the 32-bit one.
  uint32_t TotalSectors() const { return U16(19) ? U16(19) : U32(32); }
  // The 16-bit sectors per table when it is not 0, else the 32-bit one: the one sizing rule of
  // the tables, which every offset below follows.
  uint32_t FatSectors() const { return U16(22) ? U16(22) : U32(36); }
  // The first cluster of a FAT32 root folder.
  uint32_t RootCluster() const { return U32(44); }
  // FAT32: the sector of the information sector and of the backup boot sector (0 when none).
  uint32_t FsInfoSector() const { return U16(48); }
  uint32_t BackupBootSector() const { return U16(50); }

  // A jump instruction, a power-of-two sector size from 512 to 4096 and cluster size, reserved
  // sectors, tables, and a data area inside the volume: what a formatter always writes.
  bool IsPlausible() const;
  TXFatType Type() const;
  // The serial and the label were written (extended boot signature 0x29).
  bool HasSerialAndLabel() const { return bytes_[ExtendedFields() + 2] == 0x29; }
  uint32_t VolumeSerial() const;
  // The boot sector's volume label (DecodeFatLabel), "" when none was written.
  std::string VolumeLabel(uint16_t codePage = 437) const;

  int64_t ClusterBytes() const { return int64_t{BytesPerSector()} * SectorsPerCluster(); }
  int64_t FatBytes() const { return int64_t{FatSectors()} * BytesPerSector(); }
  // Start of allocation table copy k (0 is the first).
  int64_t FatOffset(uint32_t k) const;
  int64_t RootDirOffset() const { return FatOffset(0) + FatBytes() * FatCount(); }
  int64_t RootDirBytes() const { return int64_t{RootEntries()} * 32; }
  int64_t DataOffset() const;
  int64_t ClusterOffset(uint32_t cluster) const;
  // The number of allocation-table entries the recovery uses (cluster numbers 0 to count - 1):
  // the whole clusters of the data area and the two reserved entries; 0 without a data area.
  int64_t ClusterCount() const;
  // The bytes the volume claims: its sectors in its own sector size.
  int64_t VolumeBytes() const { return int64_t{TotalSectors()} * BytesPerSector(); }

 private:
  uint32_t U16(size_t at) const { return LeU16(bytes_.data() + at); }
  uint32_t U32(size_t at) const { return LeU32(bytes_.data() + at); }
  // The extended fields (serial, label, type text) start here: 36 for FAT12/16, 64 for FAT32.
  size_t ExtendedFields() const;
  TXFatType TypeByText() const;
  // The first sector of the data area by the table size the boot sector gives.
  int64_t DataSector() const;

  std::array<uint8_t, kSize> bytes_{};
};

}  // namespace kova
