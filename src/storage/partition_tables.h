#pragma once

#include <cstdint>

#include "ondisk/partition_records.h"
#include "storage/volume_system.h"

namespace kova {

class TXStream;

// Adds the primary partitions of the record and the logical ones of its extended partitions.
void ReadMbr(TXStream& medium, const TXMbrSector& mbr, TXVolumeSystem& system);

// Reads the GPT of a medium with sectors of `sectorSize` bytes: the primary header at sector 1,
// else the backup at the last sector. False, with nothing added, when neither is sound.
bool ReadGpt(TXStream& medium, uint32_t sectorSize, TXVolumeSystem& system);

// Takes the entry into the system's partitions when it lies inside [low, high) of the medium
// and overlaps no partition taken before (extended containers excepted for logical ones);
// otherwise records why it was left out. An entry that starts on the medium and reaches past
// its end is taken up to the end, with the part missing recorded (tpCut).
bool TakePartition(TXVolumeSystem& system, const TXPartitionEntry& entry, int64_t low, int64_t high,
                   int64_t mediumSize);

}  // namespace kova
