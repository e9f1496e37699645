#include "storage/partition_tables.h"

#include <algorithm>
#include <limits>
#include <set>
#include <vector>

#include "framework/stream.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr size_t kMaxLogical = 128;

std::vector<uint8_t> ReadBytes(TXStream& medium, int64_t pos, int64_t count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count), 0);
  if (!SafeReadAt(medium, bytes.data(), count, pos)) bytes.clear();
  return bytes;
}

bool Overlaps(const TXPartitionEntry& a, const TXPartitionEntry& b) {
  return a.Start < b.End() && b.Start < a.End();
}

bool Contains(const TXPartitionEntry& outer, const TXPartitionEntry& inner) {
  return inner.Start >= outer.Start && inner.End() <= outer.End();
}

// A logical partition of a boot record in the extended partition: its start counts from the
// record.
TXPartitionEntry LogicalEntry(const TXMbrSector::Entry& logical, int64_t record, int64_t sector,
                              int32_t number) {
  TXPartitionEntry entry;
  entry.Number = number;
  entry.Start = record + int64_t{logical.FirstSector} * sector;
  entry.Size = int64_t{logical.Sectors} * sector;
  entry.MbrType = logical.Type;
  return entry;
}

// The logical partitions of the extended partition: a chain of boot records. Every used entry of
// a record is a logical partition (its start relative to the record) or, with an extended type,
// a link to a further record (relative to the extended partition). Most partitioners write one
// partition and one link per record, but a record may hold several partitions, and all of them
// count, as The Sleuth Kit lists them. Records are read depth first in table order, each once,
// at most kMaxLogical of them, never outside the extended partition.
void ReadLogical(TXStream& medium, const TXPartitionEntry& extended, TXVolumeSystem& system) {
  const int64_t sector = system.SectorSize;
  std::vector<int64_t> pending{extended.Start};
  std::set<int64_t> seen;
  int32_t number = 5;
  bool broken = false;
  while (!pending.empty()) {
    const int64_t record = pending.back();
    pending.pop_back();
    bool inside = record >= extended.Start && record + 512 <= extended.End();
    if (!inside || seen.size() == kMaxLogical || !seen.insert(record).second) {
      broken = true;
      continue;
    }
    TXMbrSector ebr(ReadBytes(medium, record, 512));
    // An extended partition whose first record was never written holds nothing.
    if (!ebr.HasSignature()) {
      broken = broken || record != extended.Start;
      continue;
    }
    std::vector<int64_t> links;
    for (int i = 0; i < TXMbrSector::kEntries; ++i) {
      const TXMbrSector::Entry used = ebr.At(i);
      if (used.Empty()) continue;
      if (IsExtendedType(used.Type)) {
        links.push_back(extended.Start + int64_t{used.FirstSector} * sector);
      } else {
        TakePartition(system, LogicalEntry(used, record, sector, number++), record + sector,
                      extended.End() + extended.Missing, medium.Size());
      }
    }
    pending.insert(pending.end(), links.rbegin(), links.rend());
  }
  if (broken) system.Problems.push_back({TXTableProblemKind::tpChainBroken, extended.Number});
}

// The header at sector `lba` when its signature, size, checksum and own position agree.
bool ReadGptHeader(TXStream& medium, uint32_t sectorSize, uint64_t lba, TXGptHeader& header) {
  std::vector<uint8_t> b = ReadBytes(medium, static_cast<int64_t>(lba * sectorSize), sectorSize);
  return !b.empty() && DecodeGptHeader(b, lba, header);
}

void TakeGptEntries(const TXGptHeader& header, std::span<const uint8_t> array,
                    TXVolumeSystem& system, int64_t mediumSize) {
  const int64_t sector = system.SectorSize;
  for (uint32_t i = 0; i < header.EntryCount; ++i) {
    std::span<const uint8_t> e = array.subspan(size_t{i} * header.EntrySize, header.EntrySize);
    const TXGptEntryRecord record = DecodeGptEntry(e);
    if (record.Unused) continue;
    const uint64_t first = record.FirstLba;
    const uint64_t last = record.LastLba;
    TXPartitionEntry entry;
    entry.Number = static_cast<int32_t>(i + 1);
    entry.GptType = record.Type;
    entry.Name = record.Name;
    bool sane = last >= first && last < (uint64_t{1} << 48);
    entry.Start = sane ? static_cast<int64_t>(first) * sector : mediumSize;
    entry.Size = sane ? static_cast<int64_t>(last - first + 1) * sector : 0;
    int64_t low = static_cast<int64_t>(std::min<uint64_t>(header.FirstUsable, 1ull << 48)) * sector;
    int64_t high =
        static_cast<int64_t>(std::min<uint64_t>(header.LastUsable + 1, 1ull << 48)) * sector;
    TakePartition(system, entry, low, high, mediumSize);
  }
}

// The header's entries when the array matches its checksum.
bool ReadGptCopy(TXStream& medium, uint32_t sectorSize, uint64_t lba, TXVolumeSystem& system) {
  TXGptHeader header;
  if (!ReadGptHeader(medium, sectorSize, lba, header)) return false;
  int64_t bytes = int64_t{header.EntryCount} * header.EntrySize;
  if (header.EntriesLba > (uint64_t{1} << 48)) return false;
  std::vector<uint8_t> array =
      ReadBytes(medium, static_cast<int64_t>(header.EntriesLba) * sectorSize, bytes);
  if (int64_t(array.size()) != bytes || GptCrc32(array) != header.EntriesCrc) {
    system.Problems.push_back({TXTableProblemKind::tpGptEntries, 0});
    return false;
  }
  system.Scheme = TXPartitionScheme::psGpt;
  system.SectorSize = sectorSize;
  TakeGptEntries(header, array, system, medium.Size());
  return true;
}

}  // namespace

bool TakePartition(TXVolumeSystem& system, const TXPartitionEntry& named, int64_t low, int64_t high,
                   int64_t mediumSize) {
  TXPartitionEntry entry = named;
  // An image that stopped early holds the partition's first part; a partition that starts
  // past the end of the medium holds nothing of it.
  const bool cut = entry.Start < mediumSize && entry.End() > mediumSize && entry.End() <= high;
  if (cut) {
    entry.Missing = entry.End() - mediumSize;
    entry.Size = mediumSize - entry.Start;
  }
  TXTableProblemKind problem;
  if (entry.End() > mediumSize || entry.End() > high || entry.Size <= 0) {
    problem = TXTableProblemKind::tpPastEnd;
  } else if (entry.Start < low) {
    problem = TXTableProblemKind::tpInsideTable;
  } else if (std::any_of(system.Partitions.begin(), system.Partitions.end(),
                         [&](const TXPartitionEntry& taken) {
                           bool container = IsExtendedType(taken.MbrType) && Contains(taken, entry);
                           return !container && Overlaps(taken, entry);
                         })) {
    problem = TXTableProblemKind::tpOverlap;
  } else {
    if (cut) system.Problems.push_back({TXTableProblemKind::tpCut, entry.Number, entry.Missing});
    system.Partitions.push_back(entry);
    return true;
  }
  system.Problems.push_back({problem, entry.Number});
  return false;
}

void ReadMbr(TXStream& medium, const TXMbrSector& mbr, TXVolumeSystem& system) {
  system.Scheme = TXPartitionScheme::psMbr;
  const int64_t sector = system.SectorSize;
  for (int i = 0; i < 4; ++i) {
    TXMbrSector::Entry primary = mbr.At(i);
    if (primary.Empty()) continue;
    TXPartitionEntry entry;
    entry.Number = i + 1;
    entry.Start = int64_t{primary.FirstSector} * sector;
    entry.Size = int64_t{primary.Sectors} * sector;
    entry.MbrType = primary.Type;
    // The disk the table was written for may be larger than the medium: only the medium bounds
    // a primary partition.
    if (TakePartition(system, entry, sector, std::numeric_limits<int64_t>::max(), medium.Size()) &&
        IsExtendedType(entry.MbrType)) {
      ReadLogical(medium, entry, system);
    }
  }
}

bool ReadGpt(TXStream& medium, uint32_t sectorSize, TXVolumeSystem& system) {
  TXVolumeSystem found;
  found.SectorSize = sectorSize;
  if (ReadGptCopy(medium, sectorSize, 1, found)) {
    system = std::move(found);
    return true;
  }
  int64_t sectors = medium.Size() / sectorSize;
  TXVolumeSystem backup;
  backup.SectorSize = sectorSize;
  if (sectors < 3 || !ReadGptCopy(medium, sectorSize, static_cast<uint64_t>(sectors - 1), backup))
    return false;
  backup.Problems.insert(backup.Problems.begin(), {TXTableProblemKind::tpGptPrimary, 0});
  system = std::move(backup);
  return true;
}

}  // namespace kova
