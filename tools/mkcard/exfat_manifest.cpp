#include "exfat_manifest.h"

#include "json_value.h"

namespace kova::mkcard {

std::string ExfatManifestToJsonLines(const ExfatManifest& manifest) {
  const ExfatManifestVolume& v = manifest.volume;
  std::string out = JsonLine()
                        .Text("record", "volume")
                        .Text("type", "exFAT")
                        .Number("image_bytes", v.image_bytes)
                        .Number("volume_offset", v.volume_offset)
                        .Number("volume_sectors", v.volume_sectors)
                        .Number("cluster_bytes", v.cluster_bytes)
                        .Number("fat_offset", v.fat_offset)
                        .Number("fat_sectors", v.fat_sectors)
                        .Number("fat_count", v.fat_count)
                        .Number("heap_offset", v.heap_offset)
                        .Number("cluster_count", v.cluster_count)
                        .Number("root_cluster", v.root_cluster)
                        .Number("bitmap_cluster", v.bitmap_cluster)
                        .Number("upcase_cluster", v.upcase_cluster)
                        .Text("label", v.label)
                        .Number("serial", v.serial)
                        .Number("free_clusters", v.free_clusters)
                        .Text("boot_damage", v.boot_damage)
                        .Finish();
  for (const ManifestRecord& r : manifest.records)
    out += ManifestRecordLine(r);
  return out;
}

}  // namespace kova::mkcard
