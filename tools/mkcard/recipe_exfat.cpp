#include "exfat_volume_writer.h"
#include "recipe_runner.h"

namespace kova::mkcard {

// `volume exfat size=BYTES [cluster=BYTES] [fats=1|2] [label=] [serial=] [partition=LBA]
// [partition-type=0x07]`.
Status RecipeRunner::ExfatVolume(RecipeLine& line) {
  if (!card_line_ && !line.Has("size")) return Status::Failure("volume needs size=");
  if (card_line_ && (line.Has("partition") || line.Has("partition-type")))
    return Status::Failure("on a card with a 'card' line, partitions come from 'partition' lines");
  ExfatOptions o;
  uint64_t cluster = o.cluster_bytes, fats = o.fat_count, partition = 0, serial = o.serial;
  if (Status ok =
          All({line.Number("size", card_line_ ? &o.volume_bytes : &o.card_bytes),
               line.Number("cluster", &cluster), line.Number("fats", &fats),
               line.Number("partition", &partition), line.Byte("partition-type", &o.partition_type),
               Serial(line, "serial", &serial)});
      !ok) {
    return ok;
  }
  if (cluster > UINT32_MAX || fats > 2 || partition > UINT32_MAX || serial > UINT32_MAX)
    return Status::Failure("a volume option is out of range");
  o.cluster_bytes = static_cast<uint32_t>(cluster);
  o.fat_count = static_cast<uint32_t>(fats);
  o.partition_lba = static_cast<uint32_t>(partition);
  o.serial = static_cast<uint32_t>(serial);
  o.label = line.Text("label").value_or(o.label);
  return FormatExfat(card_, o);
}

}  // namespace kova::mkcard
