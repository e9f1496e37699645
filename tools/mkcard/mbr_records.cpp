#include "mbr_records.h"

#include <algorithm>

namespace kova::mkcard {

namespace {

constexpr size_t kFirstEntry = 446;
constexpr size_t kEntryBytes = 16;

// Sectors past the reach of CHS addressing get the largest address, as partitioning tools do.
void PutChs(uint8_t* at, uint64_t lba) {
  uint64_t cylinder = lba / (kHeads * kSectorsPerTrack);
  uint64_t head = (lba / kSectorsPerTrack) % kHeads;
  uint64_t sector = lba % kSectorsPerTrack + 1;
  if (cylinder > 1023) {
    cylinder = 1023;
    head = 254;
    sector = 63;
  }
  at[0] = static_cast<uint8_t>(head);
  at[1] = static_cast<uint8_t>(sector | ((cylinder >> 2) & 0xC0));
  at[2] = static_cast<uint8_t>(cylinder);
}

void PutEntry(uint8_t* at, const MbrEntry& entry) {
  at[0] = entry.bootable ? 0x80 : 0x00;
  PutChs(at + 1, entry.first_sector);
  at[4] = entry.type;
  PutChs(at + 5, entry.first_sector + std::max<uint64_t>(entry.sectors, 1) - 1);
  PutLE(at + 8, entry.first_sector - entry.lba_base, 4);
  PutLE(at + 12, entry.sectors, 4);
}

}  // namespace

Bytes PartitionSector(const std::array<MbrEntry, 4>& entries, bool boot_code,
                      uint32_t disk_signature) {
  Bytes sector(512, 0);
  if (boot_code) {
    std::copy(kNoSystemBootCode.begin(), kNoSystemBootCode.end(), sector.begin());
    PutLE(sector.data() + 440, disk_signature, 4);
  }
  for (size_t slot = 0; slot < entries.size(); ++slot) {
    if (entries[slot].type != 0)
      PutEntry(sector.data() + kFirstEntry + slot * kEntryBytes, entries[slot]);
  }
  sector[510] = 0x55;
  sector[511] = 0xAA;
  return sector;
}

}  // namespace kova::mkcard
