#pragma once

#include <cstdint>
#include <vector>

#include "storage/boot_sector.h"
#include "storage/fat_entries.h"

namespace kova {

enum TXClusterState : uint8_t {
  clAvailable,  // free
  clStart,      // the reserved entries 0 and 1
  clBad,
  clNext,             // allocated, the chain goes on
  clLast,             // allocated, end of a chain
  clAvailableFolder,  // free, but found to hold directory entries
};

#pragma pack(push, 1)
struct TXClusterRecord {
  uint32_t Next = 0;  // meaningful in state clNext only
  TXClusterState State = clAvailable;
};
#pragma pack(pop)

class TXStream;

// A FAT12, FAT16 or FAT32 volume read from a stream (not owned): its boot sector (set by the caller
// before Load) and the cluster table built from the first allocation table. Numbers outside the
// table answer clAvailable and next 0.
class TXFAT final {
 public:
  TXBootSector& BootSector() { return boot_; }
  const TXBootSector& BootSector() const { return boot_; }

  // Reads the first allocation table (TXFatEntries), an unreadable sector of it from the second.
  // False, with nothing recorded, when the boot sector is too damaged to describe a table (no
  // known type, sector size 0, more entries than its allocation table holds or than
  // TXFatEntries::kMaxEntries). Entries that no copy holds are free, as are entries past the end
  // of the stream and the clusters they stand for; a vanished medium is thrown.
  bool Load(TXStream& stream);
  // Type unknown, stream forgotten, boot sector zeroed, table emptied.
  void Reset();

  TXStream* Stream() const { return stream_; }
  TXFatType FatType() const { return type_; }
  // The table's entries as read, in their FAT32 meaning.
  const TXFatEntries& Entries() const { return links_; }
  int64_t ClusterCount() const { return links_.Count(); }
  TXClusterRecord Cluster(uint32_t n) const { return {NextCluster(n), ClusterState(n)}; }
  TXClusterState ClusterState(uint32_t n) const;
  uint32_t NextCluster(uint32_t n) const;
  // The smallest m > n in state clAvailable, or 0 when there is none. A word of the free map at a
  // time, so walking the free clusters in order costs little per cluster.
  uint32_t NextAvailableCluster(uint32_t n) const;
  // A free cluster found to hold directory entries becomes clAvailableFolder; other clusters and
  // numbers outside the table stay as they are.
  void SetAvailableFolder(uint32_t n);
  // A cluster that may hold data: 2 to ClusterCount - 1.
  bool IsDataCluster(uint32_t n) const { return n >= 2 && n < ClusterCount(); }

 private:
  void MapFreeClusters();
  static bool Test(const std::vector<uint64_t>& bits, uint32_t n) {
    return bits[n / 64] >> (n % 64) & 1;
  }

  TXStream* stream_ = nullptr;
  TXFatType type_ = TXFatType::ftUnknown;
  TXBootSector boot_;
  // The raw entries, FAT16 values widened to their FAT32 meaning; the states follow from them.
  TXFatEntries links_;
  std::vector<uint64_t> free_;     // one bit per cluster in state clAvailable
  std::vector<uint64_t> folders_;  // one bit per cluster in state clAvailableFolder
};

}  // namespace kova
