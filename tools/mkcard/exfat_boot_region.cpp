#include "exfat_boot_region.h"

#include "exfat_upcase.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kSector = ExfatLayout::kSectorBytes;
constexpr uint32_t kChecksumSector = 11;
constexpr uint32_t kOemSector = 9;
constexpr uint16_t kRevision = 0x0100;
constexpr uint8_t kBootCodeFill = 0xF4;  // halt, for a volume nobody boots from

// {0A0C7E46-3399-4021-90C8-FA6D389C4BA2} as stored: the first three fields little-endian.
constexpr uint8_t kFlashParametersGuid[16] = {0x46, 0x7E, 0x0C, 0x0A, 0x99, 0x33, 0x21, 0x40,
                                              0x90, 0xC8, 0xFA, 0x6D, 0x38, 0x9C, 0x4B, 0xA2};

void PutBootSector(uint8_t* s, const ExfatLayout& layout, const ExfatOptions& options,
                   uint8_t percent_in_use) {
  s[0] = 0xEB;
  s[1] = 0x76;
  s[2] = 0x90;
  PutField(&s[3], "EXFAT", 8);
  PutLE(&s[64], layout.volume_offset / kSector, 8);
  PutLE(&s[72], layout.volume_sectors, 8);
  PutLE(&s[80], layout.fat_offset, 4);
  PutLE(&s[84], layout.fat_length, 4);
  PutLE(&s[88], layout.heap_offset, 4);
  PutLE(&s[92], layout.cluster_count, 4);
  PutLE(&s[96], layout.root_cluster, 4);
  PutLE(&s[100], options.serial, 4);
  PutLE(&s[104], kRevision, 2);
  s[108] = 9;  // 512-byte sectors
  s[109] = static_cast<uint8_t>(layout.cluster_shift);
  s[110] = static_cast<uint8_t>(layout.fat_count);
  s[111] = 0x80;
  s[112] = percent_in_use;
  std::memset(&s[120], kBootCodeFill, 390);
  PutLE(&s[510], 0xAA55, 2);
}

// Flash parameters as an SD card's formatter records them: 4 MiB erase blocks, 16 KiB pages.
void PutOemParameters(uint8_t* s) {
  std::memcpy(s, kFlashParametersGuid, sizeof kFlashParametersGuid);
  PutLE(&s[16], 4u << 20, 4);   // erase block size
  PutLE(&s[20], 16u << 10, 4);  // page size
}

}  // namespace

Bytes ExfatBootRegion(const ExfatLayout& layout, const ExfatOptions& options,
                      uint8_t percent_in_use) {
  Bytes region(ExfatLayout::kBootRegionSectors * kSector, 0);
  PutBootSector(region.data(), layout, options, percent_in_use);
  for (uint32_t sector = 1; sector <= 8; ++sector)
    PutLE(&region[sector * kSector + kSector - 4], 0xAA550000u, 4);
  PutOemParameters(&region[kOemSector * kSector]);
  const uint32_t checksum = ExfatBootChecksum(region);
  for (uint32_t at = 0; at < kSector; at += 4)
    PutLE(&region[kChecksumSector * kSector + at], checksum, 4);
  return region;
}

uint32_t ExfatBootChecksum(const Bytes& region) {
  uint32_t sum = 0;
  for (size_t i = 0; i < kChecksumSector * kSector && i < region.size(); ++i) {
    if (i == 106 || i == 107 || i == 112) continue;
    sum = ExfatRotatingSum(sum, region[i]);
  }
  return sum;
}

}  // namespace kova::mkcard
