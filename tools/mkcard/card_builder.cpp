#include "card_builder.h"

#include <algorithm>

#include "exfat_volume_writer.h"

namespace kova::mkcard {

namespace {

bool Overlap(uint64_t offset, uint64_t size, const Extent& area) {
  return offset < area.offset + area.size && area.offset < offset + size;
}

}  // namespace

CardBuilder::CardBuilder()
    : image_(std::make_unique<SparseImage>()), time_(*ParseDosTime("2024-05-18 10:00:00")) {}

Status CardBuilder::CreateCard(const CardOptions& options) {
  PartitionTable table;
  if (Status ok = table.Reset(options); !ok) return ok;
  const DosTime time = time_;
  *this = CardBuilder();
  time_ = time;
  table_ = table;
  image_ = std::make_unique<SparseImage>(options.bytes);
  card_made_ = true;
  return {};
}

Status CardBuilder::AddPartition(const PartitionOptions& options, int* number) {
  if (!card_made_) return Status::Failure("partitions need a card first");
  return table_.Add(options, number);
}

Status CardBuilder::MakeOwnCard(const OwnCard& own) {
  CardOptions card;
  card.bytes = own.card_bytes;
  card.table = own.partition_lba != 0 ? TableKind::kMbr : TableKind::kNone;
  card.disk_signature = own.disk_signature;
  if (Status ok = CreateCard(card); !ok) return ok;
  card_made_ = false;
  if (own.partition_lba == 0) return {};
  PartitionOptions partition;
  partition.first_sector = own.partition_lba;
  partition.type = own.partition_type;
  return table_.Add(partition, nullptr);
}

Status CardBuilder::NextSpace(VolumeSpace* space) const {
  space->image = image_.get();
  if (table_.Options().table == TableKind::kNone) {
    if (!volumes_.empty())
      return Status::Failure("the card without a partition table has a volume");
    space->offset = 0;
    space->bytes = table_.Options().bytes;
    space->number = 1;
    return {};
  }
  if (table_.Partitions().empty()) return Status::Failure("the card has no partition to format");
  const Partition& p = table_.Partitions().back();
  const std::string which = "partition " + std::to_string(p.number);
  if (p.kind == PartitionKind::kExtended)
    return Status::Failure(which + " is an extended partition and holds no volume");
  if (p.past_end) return Status::Failure(which + " runs past the end of the card");
  for (const auto& volume : volumes_) {
    if (volume->Space().number == p.number)
      return Status::Failure(which + " already holds a volume");
  }
  space->offset = p.Offset();
  space->bytes = p.Bytes();
  space->number = p.number;
  return {};
}

Status CardBuilder::PlaceVolume(const OwnCard& own, const VolumeMaker& make) {
  CardBuilder fresh;
  CardBuilder* target = this;
  if (!card_made_) {
    fresh.time_ = time_;
    if (Status ok = fresh.MakeOwnCard(own); !ok) return ok;
    target = &fresh;
  }
  VolumeSpace space;
  if (Status ok = target->NextSpace(&space); !ok) return ok;
  std::unique_ptr<VolumeWriter> writer;
  if (Status ok = make(space, &writer); !ok) return ok;
  target->current_ = writer.get();
  target->volumes_.push_back(std::move(writer));
  if (target != this) *this = std::move(fresh);
  return {};
}

Status CardBuilder::Format(const VolumeOptions& options) {
  const OwnCard own{options.card_bytes, options.partition_lba, options.partition_type,
                    options.serial ^ 0x5A5A5A5A};
  const DosTime time = time_;
  return PlaceVolume(own, [&](const VolumeSpace& space, std::unique_ptr<VolumeWriter>* writer) {
    std::unique_ptr<FatVolumeWriter> fat;
    if (Status ok = FatVolumeWriter::Create(space, options, time, &fat); !ok) return ok;
    *writer = std::move(fat);
    return Status();
  });
}

Status CardBuilder::UseVolume(int number) {
  for (const auto& volume : volumes_) {
    if (volume->Space().number == number) {
      current_ = volume.get();
      return {};
    }
  }
  return Status::Failure("no volume in partition " + std::to_string(number));
}

VolumeWriter* CardBuilder::Current() const {
  return current_;
}

FatVolumeWriter* CardBuilder::CurrentFat() const {
  return dynamic_cast<FatVolumeWriter*>(current_);
}

Status CardBuilder::NoVolume() const {
  return Status::Failure("the card has no volume yet");
}

Status CardBuilder::NoFatVolume() const {
  return Status::Failure(current_ == nullptr ? "the card has no volume yet"
                                             : "the current volume is not FAT");
}

const VolumeLayout& CardBuilder::Layout() const {
  static const VolumeLayout kNone;
  return CurrentFat() ? CurrentFat()->Layout() : kNone;
}

const VolumeOptions& CardBuilder::Options() const {
  static const VolumeOptions kNone;
  return CurrentFat() ? CurrentFat()->Options() : kNone;
}

const FatTable& CardBuilder::Fat() const {
  static const FatTable kNone;
  return CurrentFat() ? CurrentFat()->Fat() : kNone;
}

Status CardBuilder::MakeFolder(std::string_view path, const EntryOptions& entry,
                               const Placement& placement) {
  if (!Current()) return NoVolume();
  EntryOptions timed = entry;
  timed.time = entry.time.value_or(time_);
  return Current()->MakeFolder(path, timed, placement);
}

Status CardBuilder::WriteFile(std::string_view path, const Content& content,
                              const Placement& placement, const EntryOptions& entry) {
  if (!Current()) return NoVolume();
  EntryOptions timed = entry;
  timed.time = entry.time.value_or(time_);
  return Current()->WriteFile(path, content, placement, timed);
}

Status CardBuilder::Delete(std::string_view path) {
  return Current() ? Current()->Delete(path) : NoVolume();
}

Status CardBuilder::WriteRaw(uint64_t offset, const Content& content, std::string_view name) {
  if (!HasCard()) return NoVolume();
  for (const auto& volume : volumes_) {
    if (volume->Space().Holds(offset)) return volume->WriteRaw(offset, content, name);
  }
  return WriteOutside(offset, content, name);
}

Status CardBuilder::WriteOutside(uint64_t offset, const Content& content, std::string_view name) {
  const uint64_t size = content.bytes.size();
  if (size == 0) return Status::Failure("nothing to write");
  if (offset > table_.Options().bytes || size > table_.Options().bytes - offset)
    return Status::Failure("raw bytes must lie on the card");
  for (const auto& volume : volumes_) {
    const VolumeSpace& space = volume->Space();
    if (Overlap(offset, size, {space.offset, space.bytes}))
      return Status::Failure("raw bytes outside the volumes must not reach into partition " +
                             std::to_string(space.number));
  }
  for (const Extent& area : table_.OwnAreas()) {
    if (Overlap(offset, size, area))
      return Status::Failure("raw bytes would overwrite the partition table");
  }
  for (const ManifestRecord& raw : outside_raws_) {
    if (Overlap(offset, size, raw.extents.front()))
      return Status::Failure("raw bytes would overwrite the raw write '" + raw.path + "'");
  }
  image_->Write(offset, content.bytes);
  ManifestRecord r;
  r.volume = 0;
  r.path = name.empty() ? "raw-" + std::to_string(outside_raws_.size() + 1) : std::string(name);
  r.state = EntryState::kRaw;
  r.content = content.kind;
  r.size = size;
  r.width = content.width;
  r.height = content.height;
  r.extents = {{offset, size}};
  r.crc32 = Crc32Of(content.bytes);
  outside_raws_.push_back(r);
  return {};
}

Status CardBuilder::Wipe(const std::vector<uint32_t>& clusters, uint8_t value) {
  return Current() ? Current()->Wipe(clusters, value) : NoVolume();
}

Status CardBuilder::MarkBad(const std::vector<uint32_t>& clusters) {
  return CurrentFat() ? CurrentFat()->MarkBad(clusters) : NoFatVolume();
}

Status CardBuilder::LoopFolder(std::string_view path) {
  return CurrentFat() ? CurrentFat()->LoopFolder(path) : NoFatVolume();
}

Status CardBuilder::LinkFolder(std::string_view folder, std::string_view short_name,
                               std::string_view target) {
  return CurrentFat() ? CurrentFat()->LinkFolder(folder, short_name, target, time_) : NoFatVolume();
}

Status CardBuilder::Truncate(uint64_t size) {
  if (!HasCard()) return NoVolume();
  if (size > table_.Options().bytes) {
    return Status::Failure("cannot truncate to " + std::to_string(size) +
                           " bytes: the image has only " + std::to_string(table_.Options().bytes));
  }
  truncated_to_ = std::min(truncated_to_, size);
  return {};
}

Status CardBuilder::DamageBootSector(BootDamage damage) {
  if (auto* exfat = dynamic_cast<ExfatVolumeWriter*>(current_)) {
    if (damage != BootDamage::kZeroed)
      return Status::Failure("an exFAT boot sector can only be zeroed here");
    exfat->DamageMainBootRegion(ExfatBootDamage::kZeroedBootSector);
    return {};
  }
  return CurrentFat() ? CurrentFat()->DamageBootSector(damage) : NoFatVolume();
}

Status CardBuilder::DamageGptHeader(bool zero) {
  return table_.DamagePrimaryGptHeader(zero);
}

std::optional<uint64_t> CardBuilder::ClusterOffset(uint32_t cluster) const {
  return Current() ? Current()->ClusterOffset(cluster) : std::nullopt;
}

Status CardBuilder::ClusterOf(std::string_view reference, uint32_t* cluster) const {
  return Current() ? Current()->ClusterOf(reference, cluster) : NoVolume();
}

}  // namespace kova::mkcard
