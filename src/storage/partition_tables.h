#pragma once

#include <cstdint>
#include <span>

#include "storage/volume_system.h"

namespace kova {

class TXStream;

// The first sector of a medium read as a master boot record: four primary entries from byte 446
// and the signature 0x55 0xAA at 510.
class TXMbrSector {
 public:
  struct Entry {
    uint8_t Status = 0;
    uint8_t Type = 0;
    uint32_t FirstSector = 0;
    uint32_t Sectors = 0;

    bool Empty() const { return Type == 0 || Sectors == 0; }
  };

  explicit TXMbrSector(std::span<const uint8_t> sector);

  bool HasSignature() const { return signature_; }
  Entry At(int index) const { return entries_[index]; }
  // Holds the type 0xEE of a GPT's protective entry.
  bool IsProtective() const;
  // Signed, every status byte 0x00 or 0x80, and at least one entry used.
  bool IsSound() const;

 private:
  bool signature_ = false;
  Entry entries_[4];
};

// Adds the primary partitions of the record and the logical ones of its extended partitions.
void ReadMbr(TXStream& medium, const TXMbrSector& mbr, TXVolumeSystem& system);

// Reads the GPT of a medium with sectors of `sectorSize` bytes: the primary header at sector 1,
// else the backup at the last sector. False, with nothing added, when neither is sound.
bool ReadGpt(TXStream& medium, uint32_t sectorSize, TXVolumeSystem& system);

// Takes the entry into the system's partitions when it lies inside [low, high) of the medium
// and overlaps no partition taken before (extended containers excepted for logical ones);
// otherwise records why it was left out.
bool TakePartition(TXVolumeSystem& system, const TXPartitionEntry& entry, int64_t low, int64_t high,
                   int64_t mediumSize);

}  // namespace kova
