#include <algorithm>

#include "gpt_records.h"
#include "mbr_records.h"
#include "medium_bytes.h"
#include "partition_table.h"
#include "seeded_random.h"
#include "utf16_text.h"

// Writing the table: the sectors the card's partitions are found through, and their manifest.
namespace kova::mkcard {

namespace {

constexpr uint8_t kExtendedLba = 0x0F;
constexpr uint8_t kExtendedLink = 0x05;
constexpr uint8_t kLinux = 0x83;
constexpr uint8_t kGptProtective = 0xEE;
constexpr uint64_t kMbrEntriesAt = 446;
constexpr uint64_t kMbrEntryBytes = 16;

using Contents = std::function<PartitionContents(int)>;

uint8_t MbrType(const Partition& p, const Contents& contents) {
  if (p.type != 0) return p.type;
  if (p.kind == PartitionKind::kExtended) return kExtendedLba;
  const uint8_t own = contents(p.number).mbr_type;
  return own != 0 ? own : kLinux;
}

Guid GptType(const Partition& p, const Contents& contents) {
  Guid guid{};
  const std::string alias = !p.type_guid.empty()               ? p.type_guid
                            : contents(p.number).mbr_type != 0 ? "basic-data"
                                                               : "linux";
  GptPartitionType(alias, &guid);
  return guid;
}

Guid UniqueGuid(const CardOptions& options, int number) {
  return GuidFromSeed(HashText(options.disk_guid) + static_cast<uint64_t>(number));
}

MbrEntry EntryOf(const Partition& p, uint8_t type, uint64_t lba_base) {
  return {type, p.bootable, p.first_sector, p.sectors, lba_base};
}

}  // namespace

void PartitionTable::Write(SparseImage* image, const Contents& contents) const {
  if (options_.table == TableKind::kMbr) {
    std::array<MbrEntry, 4> slots{};
    for (const Partition& p : partitions_) {
      if (p.kind != PartitionKind::kLogical)
        slots[static_cast<size_t>(p.number - 1)] = EntryOf(p, MbrType(p, contents), 0);
    }
    image->Write(0, PartitionSector(slots, true, options_.disk_signature));
    const std::vector<const Partition*> logicals = Logicals();
    for (size_t i = 0; i < logicals.size(); ++i) {
      const Partition& p = *logicals[i];
      std::array<MbrEntry, 4> entries{};
      entries[0] = EntryOf(p, MbrType(p, contents), p.ebr_sector);
      if (i + 1 < logicals.size()) {
        const Partition& next = *logicals[i + 1];
        entries[1] = {kExtendedLink, false, next.ebr_sector, next.EndSector() - next.ebr_sector,
                      Extended()->first_sector};
      }
      image->Write(p.ebr_sector * kSectorBytes, PartitionSector(entries, false, 0));
    }
    return;
  }
  if (options_.table != TableKind::kGpt) return;

  const uint64_t last = CardSectors() - 1;
  std::array<MbrEntry, 4> protective{};
  protective[0] = {kGptProtective, false, 1, std::min<uint64_t>(last, 0xFFFFFFFF), 0};
  image->Write(0, PartitionSector(protective, true, 0));

  std::vector<GptEntry> entries;
  for (const Partition& p : partitions_) {
    GptEntry e;
    e.type = GptType(p, contents);
    e.unique = UniqueGuid(options_, p.number);
    e.first_sector = p.first_sector;
    e.last_sector = p.EndSector() - 1;
    e.attributes = p.bootable ? kGptLegacyBootable : 0;
    Utf16FromUtf8(p.name, &e.name);
    entries.push_back(e);
  }
  const Bytes array = GptEntryArray(entries, options_.gpt_entries);
  GptHeaderFields fields;
  fields.first_usable_sector = FirstUsableSector();
  fields.last_usable_sector = LastUsableSector();
  ParseGuid(options_.disk_guid, &fields.disk);
  fields.entry_slots = options_.gpt_entries;
  fields.entries_crc = Crc32Of(array);

  fields.own_sector = 1;
  fields.other_header_sector = last;
  fields.entries_sector = 2;
  Bytes primary = GptHeader(fields);
  if (gpt_damage_ == GptDamage::kCrc) primary[16] ^= 0xFF;
  if (gpt_damage_ == GptDamage::kZero) std::fill(primary.begin(), primary.end(), 0);
  image->Write(kSectorBytes, primary);
  image->Write(2 * kSectorBytes, array);

  fields.own_sector = last;
  fields.other_header_sector = 1;
  fields.entries_sector = LastUsableSector() + 1;
  image->Write(fields.entries_sector * kSectorBytes, array);
  image->Write(last * kSectorBytes, GptHeader(fields));
}

std::vector<ManifestPartition> PartitionTable::Describe(const Contents& contents) const {
  std::vector<ManifestPartition> out;
  for (const Partition& p : partitions_) {
    ManifestPartition m;
    m.number = p.number;
    m.kind = PartitionKindName(p.kind);
    m.first_sector = p.first_sector;
    m.sectors = p.sectors;
    m.offset = p.Offset();
    m.bytes = p.Bytes();
    m.name = p.name;
    m.bootable = p.bootable;
    m.past_end = p.past_end;
    m.file_system = contents(p.number).file_system;
    if (options_.table == TableKind::kGpt) {
      m.type_guid = FormatGuid(GptType(p, contents));
      m.guid = FormatGuid(UniqueGuid(options_, p.number));
      m.entry_offset = 2 * kSectorBytes + uint64_t(p.number - 1) * kGptEntryBytes;
    } else {
      m.type = MbrType(p, contents);
      m.entry_offset = p.kind == PartitionKind::kLogical
                           ? p.ebr_sector * kSectorBytes + kMbrEntriesAt
                           : kMbrEntriesAt + uint64_t(p.number - 1) * kMbrEntryBytes;
    }
    out.push_back(m);
  }
  std::sort(out.begin(), out.end(), [](const ManifestPartition& a, const ManifestPartition& b) {
    return a.number < b.number;
  });
  return out;
}

}  // namespace kova::mkcard
