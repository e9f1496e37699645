#include "storage/partition_tables.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "framework/stream.h"
#include "framework/unicode_text.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr size_t kMbrEntries = 446;
constexpr int kMaxLogical = 128;
constexpr uint32_t kMaxGptEntries = 4096;
constexpr uint32_t kGptHeaderSize = 92;

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

uint64_t U64(std::span<const uint8_t> b, size_t at) {
  return U32(b, at) | (uint64_t{U32(b, at + 4)} << 32);
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
  return static_cast<uint32_t>(::crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

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

// The logical partitions of the extended partition: a chain of boot records, each holding one
// logical partition (relative to the record) and the link to the next record (relative to the
// extended partition). The chain is bounded and may not leave the extended partition or loop.
void ReadLogical(TXStream& medium, const TXPartitionEntry& extended, TXVolumeSystem& system) {
  const int64_t sector = system.SectorSize;
  int64_t record = extended.Start;
  std::set<int64_t> seen;
  int32_t number = 5;
  for (int step = 0; step < kMaxLogical; ++step) {
    bool inside = record >= extended.Start && record + 512 <= extended.End();
    if (!inside || !seen.insert(record).second) break;
    std::vector<uint8_t> bytes = ReadBytes(medium, record, 512);
    TXMbrSector ebr(bytes);
    // An extended partition whose first record was never written holds nothing.
    if (!ebr.HasSignature()) {
      if (step == 0) return;
      break;
    }
    TXMbrSector::Entry logical = ebr.At(0);
    if (!logical.Empty()) {
      TXPartitionEntry entry;
      entry.Number = number++;
      entry.Start = record + int64_t{logical.FirstSector} * sector;
      entry.Size = int64_t{logical.Sectors} * sector;
      entry.MbrType = logical.Type;
      TakePartition(system, entry, record + sector, extended.End(), medium.Size());
    }
    TXMbrSector::Entry link = ebr.At(1);
    if (link.Empty() || !IsExtendedType(link.Type)) return;
    record = extended.Start + int64_t{link.FirstSector} * sector;
  }
  system.Problems.push_back({TXTableProblemKind::tpChainBroken, extended.Number});
}

std::string GuidText(std::span<const uint8_t> g) {
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", U32(g, 0),
                g[4] | (g[5] << 8), g[6] | (g[7] << 8), g[8], g[9], g[10], g[11], g[12], g[13],
                g[14], g[15]);
  return text;
}

struct TXGptHeader {
  uint64_t FirstUsable = 0;
  uint64_t LastUsable = 0;
  uint64_t EntriesLba = 0;
  uint32_t EntryCount = 0;
  uint32_t EntrySize = 0;
  uint32_t EntriesCrc = 0;
};

// The header at sector `lba` when its signature, size, checksum and own position agree.
bool ReadGptHeader(TXStream& medium, uint32_t sectorSize, uint64_t lba, TXGptHeader& header) {
  std::vector<uint8_t> b = ReadBytes(medium, static_cast<int64_t>(lba * sectorSize), sectorSize);
  if (b.empty() || std::string_view(reinterpret_cast<const char*>(b.data()), 8) != "EFI PART")
    return false;
  uint32_t size = U32(b, 12);
  if (size < kGptHeaderSize || size > sectorSize || U64(b, 24) != lba) return false;
  uint32_t crc = U32(b, 16);
  std::fill_n(b.begin() + 16, 4, 0);
  if (Crc32(std::span<const uint8_t>(b.data(), size)) != crc) return false;
  header.FirstUsable = U64(b, 40);
  header.LastUsable = U64(b, 48);
  header.EntriesLba = U64(b, 72);
  header.EntryCount = U32(b, 80);
  header.EntrySize = U32(b, 84);
  header.EntriesCrc = U32(b, 88);
  return header.EntrySize >= 128 && header.EntrySize % 8 == 0 && header.EntrySize <= 4096 &&
         header.EntryCount <= kMaxGptEntries && header.FirstUsable <= header.LastUsable;
}

void TakeGptEntries(const TXGptHeader& header, std::span<const uint8_t> array,
                    TXVolumeSystem& system, int64_t mediumSize) {
  const int64_t sector = system.SectorSize;
  for (uint32_t i = 0; i < header.EntryCount; ++i) {
    std::span<const uint8_t> e = array.subspan(size_t{i} * header.EntrySize, header.EntrySize);
    if (std::all_of(e.begin(), e.begin() + 16, [](uint8_t c) { return c == 0; })) continue;
    uint64_t first = U64(e, 32);
    uint64_t last = U64(e, 40);
    TXPartitionEntry entry;
    entry.Number = static_cast<int32_t>(i + 1);
    entry.GptType = GuidText(e.subspan(0, 16));
    entry.Name = Utf16LeToUtf8(e.subspan(56, 72));
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
  if (int64_t(array.size()) != bytes || Crc32(array) != header.EntriesCrc) {
    system.Problems.push_back({TXTableProblemKind::tpGptEntries, 0});
    return false;
  }
  system.Scheme = TXPartitionScheme::psGpt;
  system.SectorSize = sectorSize;
  TakeGptEntries(header, array, system, medium.Size());
  return true;
}

}  // namespace

TXMbrSector::TXMbrSector(std::span<const uint8_t> sector) {
  if (sector.size() < 512) return;
  signature_ = sector[510] == 0x55 && sector[511] == 0xAA;
  for (int i = 0; i < 4; ++i) {
    std::span<const uint8_t> e = sector.subspan(kMbrEntries + 16 * i, 16);
    entries_[i] = {e[0], e[4], U32(e, 8), U32(e, 12)};
  }
}

bool TXMbrSector::IsProtective() const {
  return signature_ && std::any_of(std::begin(entries_), std::end(entries_),
                                   [](const Entry& e) { return e.Type == 0xEE; });
}

bool TXMbrSector::IsSound() const {
  if (!signature_) return false;
  bool used = false;
  for (const Entry& e : entries_) {
    if (e.Status != 0x00 && e.Status != 0x80) return false;
    used = used || !e.Empty();
  }
  return used;
}

bool TakePartition(TXVolumeSystem& system, const TXPartitionEntry& entry, int64_t low, int64_t high,
                   int64_t mediumSize) {
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
    if (TakePartition(system, entry, sector, medium.Size(), medium.Size()) &&
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
