#pragma once

#include <array>
#include <cstdint>

#include "byte_order.h"

// The sectors of an MBR partition table: the master boot record, the extended boot records
// that chain logical partitions, and the protective MBR in front of a GPT.
namespace kova::mkcard {

// Asks the firmware to try the next boot device, then halts: the card holds no system.
inline constexpr std::array<uint8_t, 5> kNoSystemBootCode = {0xCD, 0x18, 0xF4, 0xEB, 0xFD};

// Conventional disk geometry for the CHS fields.
inline constexpr uint32_t kSectorsPerTrack = 63;
inline constexpr uint32_t kHeads = 255;

struct MbrEntry {
  uint8_t type = 0;  // 0: an empty slot
  bool bootable = false;
  uint64_t first_sector = 0;  // on the card, as the CHS fields give it
  uint64_t sectors = 0;
  uint64_t lba_base = 0;  // what the LBA field counts from: 0, or an extended partition's start
};

// A partition sector with four slots and the 0x55AA signature. The master boot record carries
// boot code and a disk signature; extended boot records carry neither.
Bytes PartitionSector(const std::array<MbrEntry, 4>& entries, bool boot_code,
                      uint32_t disk_signature);

}  // namespace kova::mkcard
