#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "ondisk/little_endian.h"

namespace kova {

// The sectors of a boot region: the boot sector, extended boot sectors, OEM parameters, a
// reserved sector, and the checksum sector (sector 11) last.
inline constexpr uint32_t kExfatRegionSectors = 12;
inline constexpr uint32_t kExfatChecksumSector = 11;

// The boot sector of an exFAT volume (its first 512 bytes, little-endian), with the arithmetic
// that places the FAT, the cluster heap and each cluster. Offsets are bytes from the start of the
// volume; sector counts use the boot sector's own sector size.
class TXExfatBootSector {
 public:
  static constexpr size_t kSize = 512;

  TXExfatBootSector() = default;
  explicit TXExfatBootSector(std::span<const uint8_t> bytes);

  const std::array<uint8_t, kSize>& Bytes() const { return bytes_; }

  uint64_t VolumeSectors() const { return U64(72); }
  uint32_t FatOffsetSectors() const { return U32(80); }
  uint32_t FatSectors() const { return U32(84); }
  uint32_t HeapOffsetSectors() const { return U32(88); }
  uint32_t ClusterCount() const { return U32(92); }
  uint32_t RootCluster() const { return U32(96); }
  uint32_t VolumeSerial() const { return U32(100); }
  uint16_t VolumeFlags() const { return static_cast<uint16_t>(U16(106)); }
  // The FAT and bitmap in use: 0 or 1 (the second only on volumes with two FATs).
  uint32_t ActiveFat() const { return VolumeFlags() & 1 && FatCount() == 2 ? 1 : 0; }
  uint32_t SectorShift() const { return bytes_[108]; }
  uint32_t ClusterShift() const { return bytes_[109]; }  // sectors per cluster, as a power of 2
  uint32_t FatCount() const { return bytes_[110]; }
  uint32_t PercentInUse() const { return bytes_[112]; }  // 0xFF when not known

  uint32_t SectorBytes() const { return uint32_t{1} << SectorShift(); }
  int64_t ClusterBytes() const { return int64_t{1} << (SectorShift() + ClusterShift()); }
  int64_t FatOffset() const {
    return (int64_t{FatOffsetSectors()} + int64_t{ActiveFat()} * FatSectors()) << SectorShift();
  }
  int64_t HeapOffset() const { return int64_t{HeapOffsetSectors()} << SectorShift(); }
  int64_t ClusterOffset(uint32_t cluster) const {
    return HeapOffset() + int64_t{cluster - 2} * ClusterBytes();
  }
  bool IsDataCluster(uint32_t cluster) const {
    return cluster >= 2 && cluster - 2 < ClusterCount();
  }

  // The name "EXFAT", the must-be-zero bytes, the signature, sector and cluster sizes in range,
  // and the FAT, the heap and the root inside the volume in that order: what every formatter
  // writes and what the arithmetic above needs.
  bool IsPlausible() const;

 private:
  uint32_t U16(size_t at) const { return LeU16(bytes_.data() + at); }
  uint32_t U32(size_t at) const { return LeU32(bytes_.data() + at); }
  uint64_t U64(size_t at) const { return LeU64(bytes_.data() + at); }

  std::array<uint8_t, kSize> bytes_{};
};

// The checksum of a boot region: its first eleven sectors without the volume flags and the
// percentage in use, which change while the volume is in use.
uint32_t ExfatBootChecksum(std::span<const uint8_t> region, uint32_t sectorBytes);

}  // namespace kova
