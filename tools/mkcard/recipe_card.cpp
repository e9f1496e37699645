#include "recipe_runner.h"

// The recipe commands that make the card, its partition table and its volumes.
namespace kova::mkcard {

Status RecipeRunner::Card(RecipeLine& line) {
  if (card_->HasCard()) return Status::Failure("'card' must be the first line of the recipe");
  if (Status ok = Words(line, 0, "card size=BYTES [table=none|mbr|gpt] [options]"); !ok) return ok;
  if (!line.Has("size")) return Status::Failure("card needs size=");
  CardOptions o;
  uint64_t signature = o.disk_signature;
  if (Status ok = All({line.Number("size", &o.bytes), Serial(line, "disk-id", &signature),
                       line.Limited("gpt-entries", 4096, &o.gpt_entries)});
      !ok) {
    return ok;
  }
  const std::string table = line.Text("table").value_or("none");
  if (table == "mbr") {
    o.table = TableKind::kMbr;
  } else if (table == "gpt") {
    o.table = TableKind::kGpt;
  } else if (table != "none") {
    return Status::Failure("table= must be none, mbr or gpt, not '" + table + "'");
  }
  o.disk_signature = static_cast<uint32_t>(signature);
  o.disk_guid = line.Text("disk-guid").value_or("");
  if (Status ok = card_->CreateCard(o); !ok) return ok;
  card_line_ = true;
  return {};
}

Status RecipeRunner::Partition(RecipeLine& line) {
  if (!card_line_) return Status::Failure("partitions need a 'card' line first");
  if (line.Words().size() > 1)
    return Status::Failure("usage: partition [primary|extended|logical] start=... [options]");
  PartitionOptions o;
  const std::string kind = line.Words().empty() ? "primary" : line.Words()[0];
  if (kind == "extended") {
    o.kind = PartitionKind::kExtended;
  } else if (kind == "logical") {
    o.kind = PartitionKind::kLogical;
  } else if (kind != "primary") {
    return Status::Failure("partition kind must be primary, extended or logical, not '" + kind +
                           "'");
  }
  if (!line.Has("start")) return Status::Failure("partition needs start=");
  if (Status ok = All({line.Sectors("start", &o.first_sector), line.Sectors("size", &o.sectors),
                       line.Sectors("ebr", &o.ebr_sector), line.Flag("bootable", &o.bootable),
                       line.Flag("past-end", &o.past_end)});
      !ok) {
    return ok;
  }
  if (card_->Table().Options().table == TableKind::kGpt) {
    o.type_guid = line.Text("type").value_or("");
  } else if (Status ok = line.Byte("type", &o.type); !ok) {
    return ok;
  }
  o.name = line.Text("name").value_or("");
  return card_->AddPartition(o);
}

Status RecipeRunner::Volume(RecipeLine& line) {
  if (card_->Formatted() && !card_line_)
    return Status::Failure("the recipe has a second 'volume' line (give a 'card' line first)");
  if (Status ok = Words(line, 1, "volume fat12|fat16|fat32|exfat size=... [options]"); !ok)
    return ok;
  VolumeOptions o;
  const std::string& type = line.Words()[0];
  if (type == "exfat") return ExfatVolume(line);
  if (type == "fat12") {
    o.type = FatType::kFat12;
  } else if (type == "fat16") {
    o.type = FatType::kFat16;
  } else if (type == "fat32") {
    o.type = FatType::kFat32;
  } else {
    return Status::Failure("volume type must be fat12, fat16, fat32 or exfat, not '" + type + "'");
  }
  if (!card_line_ && !line.Has("size")) return Status::Failure("volume needs size=");
  if (card_line_ && (line.Has("partition") || line.Has("partition-type")))
    return Status::Failure("on a card with a 'card' line, partitions come from 'partition' lines");
  if (line.Has("backup-boot") && o.type != FatType::kFat32)
    return Status::Failure("backup-boot= is for FAT32 volumes");
  if (Status ok = VolumeNumbers(line, &o); !ok) return ok;
  o.type_text = line.Text("type-text");
  o.label = line.Text("label").value_or(o.label);
  o.oem = line.Text("oem").value_or(o.oem);
  return card_->Format(o);
}

Status RecipeRunner::VolumeNumbers(RecipeLine& line, VolumeOptions* o) const {
  uint64_t cluster = 0, serial = o->serial;
  bool strict = true;
  if (Status ok = All(
          {line.Number("size", card_line_ ? &o->volume_bytes : &o->card_bytes),
           line.Number("cluster", &cluster), line.Limited("reserved", 0xFFFF, &o->reserved_sectors),
           line.Limited("fats", 4, &o->fat_count),
           line.Limited("root-entries", 0xFFFF, &o->root_entries),
           line.Limited("partition", UINT32_MAX, &o->partition_lba),
           line.Byte("partition-type", &o->partition_type), line.Byte("media", &o->media),
           Serial(line, "serial", &serial), line.Flag("strict", &strict),
           line.Limited("code-page", 0xFFFF, &o->code_page),
           line.Limited("backup-boot", 0xFFFF, &o->backup_boot_sector)});
      !ok) {
    return ok;
  }
  if (cluster != 0 && (cluster % VolumeLayout::kSectorBytes != 0 || cluster > 65536))
    return Status::Failure("cluster= must be a multiple of 512 up to 64K");
  if (cluster != 0)
    o->sectors_per_cluster = static_cast<uint32_t>(cluster / VolumeLayout::kSectorBytes);
  o->serial = static_cast<uint32_t>(serial);
  o->strict_cluster_count = strict;
  return {};
}

Status RecipeRunner::Serial(RecipeLine& line, const std::string& key, uint64_t* serial) {
  const std::optional<std::string> text = line.Text(key);
  if (!text) return {};
  std::string digits = *text;
  if (digits.size() == 9 && digits[4] == '-') digits = "0x" + digits.erase(4, 1);
  const std::optional<uint64_t> value = ParseQuantity(digits);
  if (!value || *value > UINT32_MAX)
    return Status::Failure(key + "=" + *text + ": expected XXXX-XXXX in hex");
  *serial = *value;
  return {};
}

Status RecipeRunner::UseVolume(RecipeLine& line) {
  if (Status ok = Words(line, 1, "use-volume PARTITION-NUMBER"); !ok) return ok;
  const std::optional<uint64_t> number = ParseQuantity(line.Words()[0]);
  if (!number || *number > 1000) return Status::Failure("use-volume needs a partition number");
  return card_->UseVolume(static_cast<int>(*number));
}

Status RecipeRunner::Damage(RecipeLine& line) {
  if (Status ok = Words(line, 1, "damage gpt-header|boot-sector [how=...]"); !ok) return ok;
  const std::string what = line.Words()[0];
  if (what == "gpt-header") {
    const std::string how = line.Text("how").value_or("crc");
    if (how != "crc" && how != "zero") return Status::Failure("how= must be crc or zero");
    return card_->DamageGptHeader(how == "zero");
  }
  if (what == "boot-sector") {
    const std::string how = line.Text("how").value_or("zero");
    if (how != "zero" && how != "bpb") return Status::Failure("how= must be zero or bpb");
    return card_->DamageBootSector(how == "zero" ? BootDamage::kZeroed
                                                 : BootDamage::kBiosParameters);
  }
  return Status::Failure("damage knows gpt-header and boot-sector, not '" + what + "'");
}

}  // namespace kova::mkcard
