#include "partition_table.h"

#include <algorithm>

#include "gpt_records.h"
#include "utf16_text.h"

namespace kova::mkcard {

namespace {

constexpr uint64_t kMbrLimit = 0xFFFFFFFF;
constexpr size_t kMbrSlots = 4;

std::string Range(uint64_t first, uint64_t end) {
  return std::to_string(first) + ".." + std::to_string(end - 1);
}

bool Overlap(uint64_t a_first, uint64_t a_end, uint64_t b_first, uint64_t b_end) {
  return a_first < b_end && b_first < a_end;
}

bool SameLevel(const Partition& a, const Partition& b) {
  return (a.kind == PartitionKind::kLogical) == (b.kind == PartitionKind::kLogical);
}

}  // namespace

const char* TableKindName(TableKind kind) {
  switch (kind) {
    case TableKind::kNone:
      return "none";
    case TableKind::kMbr:
      return "mbr";
    case TableKind::kGpt:
      return "gpt";
  }
  return "none";
}

const char* PartitionKindName(PartitionKind kind) {
  switch (kind) {
    case PartitionKind::kPrimary:
      return "primary";
    case PartitionKind::kExtended:
      return "extended";
    case PartitionKind::kLogical:
      return "logical";
  }
  return "primary";
}

Status PartitionTable::Reset(const CardOptions& options) {
  if (options.bytes == 0 || options.bytes % kSectorBytes != 0)
    return Status::Failure("the card size must be a whole number of 512-byte sectors");
  if (options.table == TableKind::kGpt) {
    if (options.gpt_entries < 4 || options.gpt_entries > 4096 || options.gpt_entries % 4 != 0)
      return Status::Failure("GPT entries must be a multiple of 4 from 4 to 4096");
    Guid guid;
    if (!options.disk_guid.empty() && !ParseGuid(options.disk_guid, &guid))
      return Status::Failure("disk GUID '" + options.disk_guid + "' is not a GUID");
  }
  CardOptions out = options;
  if (out.table == TableKind::kGpt && out.disk_guid.empty())
    out.disk_guid = FormatGuid(GuidFromSeed(out.disk_signature));
  options_ = out;
  partitions_.clear();
  gpt_damage_ = GptDamage::kNone;
  if (options_.table == TableKind::kGpt && LastUsableSector() <= FirstUsableSector())
    return Status::Failure("the card is too small for a GPT");
  return {};
}

uint64_t PartitionTable::FirstUsableSector() const {
  return 2 + uint64_t{options_.gpt_entries} * kGptEntryBytes / kSectorBytes;
}

uint64_t PartitionTable::LastUsableSector() const {
  const uint64_t backup = 1 + uint64_t{options_.gpt_entries} * kGptEntryBytes / kSectorBytes;
  return CardSectors() > backup ? CardSectors() - backup - 1 : 0;
}

const Partition* PartitionTable::Find(int number) const {
  for (const Partition& p : partitions_) {
    if (p.number == number) return &p;
  }
  return nullptr;
}

const Partition* PartitionTable::Extended() const {
  for (const Partition& p : partitions_) {
    if (p.kind == PartitionKind::kExtended) return &p;
  }
  return nullptr;
}

std::vector<const Partition*> PartitionTable::Logicals() const {
  std::vector<const Partition*> out;
  for (const Partition& p : partitions_) {
    if (p.kind == PartitionKind::kLogical) out.push_back(&p);
  }
  return out;
}

uint64_t PartitionTable::RoomEnd(const Partition& p) const {
  if (options_.table == TableKind::kGpt) return LastUsableSector() + 1;
  if (p.kind == PartitionKind::kLogical) return Extended()->EndSector();
  return CardSectors();
}

Status PartitionTable::Add(PartitionOptions options, int* number) {
  Partition p;
  static_cast<PartitionOptions&>(p) = std::move(options);
  if (options_.table == TableKind::kNone)
    return Status::Failure("the card has no partition table (give table=mbr or table=gpt)");
  const size_t slots = static_cast<size_t>(
      std::count_if(partitions_.begin(), partitions_.end(),
                    [](const Partition& q) { return q.kind != PartitionKind::kLogical; }));
  if (options_.table == TableKind::kGpt) {
    if (p.kind != PartitionKind::kPrimary)
      return Status::Failure("a GPT has no extended or logical partitions");
    if (partitions_.size() >= options_.gpt_entries)
      return Status::Failure("the GPT has no free entry left");
    p.number = static_cast<int>(partitions_.size()) + 1;
  } else if (p.kind == PartitionKind::kLogical) {
    if (Extended() == nullptr)
      return Status::Failure("a logical partition needs an extended partition first");
    p.number = 5 + static_cast<int>(Logicals().size());
  } else {
    if (slots >= kMbrSlots)
      return Status::Failure("an MBR holds at most four primary and extended partitions");
    if (p.kind == PartitionKind::kExtended && Extended() != nullptr)
      return Status::Failure("the MBR already has an extended partition");
    p.number = static_cast<int>(slots) + 1;
  }
  if (Status ok = FillDefaults(&p); !ok) return ok;
  if (!p.past_end) {
    if (Status ok = CheckPlace(p); !ok) return ok;
  }
  partitions_.push_back(p);
  if (number != nullptr) *number = p.number;
  return {};
}

Status PartitionTable::FillDefaults(Partition* p) const {
  const std::string which = "partition " + std::to_string(p->number);
  if (p->first_sector == 0) return Status::Failure(which + " needs its first sector");
  if (p->kind == PartitionKind::kLogical && p->ebr_sector == 0) {
    const std::vector<const Partition*> logicals = Logicals();
    p->ebr_sector = logicals.empty() ? Extended()->first_sector : logicals.back()->EndSector();
  }
  if (p->sectors == 0) {
    const uint64_t end = RoomEnd(*p);
    if (p->first_sector >= end)
      return Status::Failure(which + " starts at or past the end of its room (sector " +
                             std::to_string(end) + ")");
    p->sectors = end - p->first_sector;
  }
  if (options_.table == TableKind::kMbr && p->kind != PartitionKind::kLogical &&
      (p->first_sector > kMbrLimit || p->sectors > kMbrLimit)) {
    return Status::Failure(which + ": an MBR entry holds 32-bit sector numbers");
  }
  if (!p->type_guid.empty()) {
    Guid guid;
    if (!GptPartitionType(p->type_guid, &guid))
      return Status::Failure(which + ": type '" + p->type_guid + "' is not a GUID or alias");
  }
  std::u16string name;
  if (!Utf16FromUtf8(p->name, &name) || name.size() > 36)
    return Status::Failure(which + ": the name must be UTF-8 of at most 36 characters");
  return {};
}

Status PartitionTable::CheckPlace(const Partition& p) const {
  const std::string which = "partition " + std::to_string(p.number);
  const uint64_t room_first = options_.table == TableKind::kGpt   ? FirstUsableSector()
                              : p.kind == PartitionKind::kLogical ? p.ebr_sector + 1
                                                                  : 1;
  const uint64_t room_end = RoomEnd(p);
  if (p.first_sector < room_first || p.EndSector() > room_end) {
    return Status::Failure(which + " (sectors " + Range(p.first_sector, p.EndSector()) +
                           ") does not fit sectors " + Range(room_first, room_end) +
                           "; give past-end=yes for a damaged entry");
  }
  for (const Partition& q : partitions_) {
    if (q.past_end || !SameLevel(p, q)) continue;
    if (Overlap(p.first_sector, p.EndSector(), q.first_sector, q.EndSector()))
      return Status::Failure(which + " overlaps partition " + std::to_string(q.number));
  }
  return p.kind == PartitionKind::kLogical ? CheckLogical(p) : Status();
}

Status PartitionTable::CheckLogical(const Partition& p) const {
  const Partition& extended = *Extended();
  const std::vector<const Partition*> logicals = Logicals();
  if (logicals.empty() && p.ebr_sector != extended.first_sector) {
    return Status::Failure(
        "the first logical partition's boot record is the extended partition's first sector");
  }
  if (p.ebr_sector < extended.first_sector ||
      (!logicals.empty() && p.ebr_sector < logicals.back()->EndSector())) {
    return Status::Failure("logical partitions go in order: the boot record of partition " +
                           std::to_string(p.number) +
                           " must lie after the previous logical partition");
  }
  return {};
}

std::vector<Extent> PartitionTable::OwnAreas() const {
  std::vector<Extent> out;
  if (options_.table == TableKind::kNone) return out;
  out.push_back({0, kSectorBytes});
  if (options_.table == TableKind::kGpt) {
    out.push_back({kSectorBytes, (FirstUsableSector() - 1) * kSectorBytes});
    const uint64_t backup = LastUsableSector() + 1;
    out.push_back({backup * kSectorBytes, (CardSectors() - backup) * kSectorBytes});
  }
  for (const Partition* logical : Logicals())
    out.push_back({logical->ebr_sector * kSectorBytes, kSectorBytes});
  return out;
}

Status PartitionTable::DamagePrimaryGptHeader(bool zero) {
  if (options_.table != TableKind::kGpt) return Status::Failure("the card has no GPT");
  gpt_damage_ = zero ? GptDamage::kZero : GptDamage::kCrc;
  return {};
}

}  // namespace kova::mkcard
