#pragma once

#include <cstdint>
#include <vector>

#include "ondisk/fat_boot_sector.h"
#include "storage/volume_reader.h"

namespace kova {

// The entries of a FAT volume's allocation table, of any width, widened to their FAT32 meaning
// (ondisk/fat_entry.h). The one reader of allocation tables: the recovery's cluster table and the
// drive information's free count are both read here.
class TXFatEntries {
 public:
  // The most entries a table may have (a FAT32 volume of 128 GiB in 4 KiB clusters): a boot
  // sector that asks for more is taken as damaged rather than allowed to exhaust memory.
  static constexpr int64_t kMaxEntries = int64_t{1} << 25;

  // Whether the boot sector describes a table that can be read: a known type, a sector size,
  // and no more entries than its allocation table holds or than kMaxEntries.
  static bool TableFits(const TXBootSector& boot);

  // Reads the entries 0 to boot.ClusterCount() - 1 of table copy `copy` (0 the first). False,
  // with nothing read, when the table does not fit. Entries that lie past `volumeBytes` (the end
  // of the medium) are free, as are the clusters they stand for. A sector of the copy that
  // `read` cannot read is taken from another copy; entries that no copy holds are free.
  bool Read(const TXVolumeReader& read, const TXBootSector& boot, int64_t volumeBytes,
            uint32_t copy = 0);
  void Clear() { entries_.clear(); }
  // Entry n of table copy `copy` alone, read where it lies (a few bytes); 0 (free) when the
  // table does not fit, n is past its end, or the entry cannot be read inside `volumeBytes`.
  static uint32_t ReadOne(const TXVolumeReader& read, const TXBootSector& boot, int64_t volumeBytes,
                          uint32_t n, uint32_t copy = 0);

  int64_t Count() const { return static_cast<int64_t>(entries_.size()); }
  // Entry n; n must be below Count().
  uint32_t operator[](uint32_t n) const { return entries_[n]; }
  // The clusters 2 to Count() - 1 whose entry is free.
  int64_t FreeCount() const;

 private:
  std::vector<uint32_t> entries_;
};

}  // namespace kova
