#include "volume_layout.h"

#include <bit>
#include <string>

#include "framework/oem_code_pages.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kMinFat16Clusters = 4085;
constexpr uint32_t kMinFat32Clusters = 65525;
constexpr uint32_t kMaxFat32Clusters = 0x0FFFFFF5;

uint32_t EntryBits(FatType type) {
  switch (type) {
    case FatType::kFat12:
      return 12;
    case FatType::kFat16:
      return 16;
    case FatType::kFat32:
      return 32;
  }
  return 32;
}

uint32_t DefaultRootEntries(FatType type) {
  if (type == FatType::kFat32) return 0;
  return type == FatType::kFat12 ? 224 : 512;
}

Status CheckClusterCount(const VolumeOptions& options, uint32_t count) {
  if (count < 1) return Status::Failure("the volume is too small to hold a single cluster");
  const std::string type = FatTypeName(options.type);
  const std::string gives = ", this layout gives " + std::to_string(count);
  // Cluster numbers above these would collide with the bad-cluster and end-of-chain markers.
  const uint32_t most = options.type == FatType::kFat12   ? kMinFat16Clusters - 1
                        : options.type == FatType::kFat16 ? kMinFat32Clusters - 1
                                                          : kMaxFat32Clusters;
  if (count > most) {
    return Status::Failure(type + " holds at most " + std::to_string(most) + " clusters" + gives +
                           ": make the card smaller or the clusters larger");
  }
  const uint32_t least = options.type == FatType::kFat12   ? 1
                         : options.type == FatType::kFat16 ? kMinFat16Clusters
                                                           : kMinFat32Clusters;
  if (options.strict_cluster_count && count < least) {
    return Status::Failure(type + " needs at least " + std::to_string(least) + " clusters" + gives +
                           ": make the card larger or the clusters smaller");
  }
  return {};
}

Status CheckOptions(const VolumeOptions& options, uint32_t reserved) {
  const uint32_t spc = options.sectors_per_cluster;
  if (spc == 0 || spc > 128 || !std::has_single_bit(spc)) {
    return Status::Failure("sectors per cluster must be a power of two from 1 to 128, not " +
                           std::to_string(spc));
  }
  if (options.fat_count < 1 || options.fat_count > 4) {
    return Status::Failure("the number of FATs must be 1 to 4");
  }
  if (options.type == FatType::kFat32 && reserved < 8) {
    return Status::Failure(
        "FAT32 needs at least 8 reserved sectors (FSInfo and backup boot sector)");
  }
  if (options.type == FatType::kFat32 &&
      (options.backup_boot_sector < 2 || options.backup_boot_sector + 1 >= reserved)) {
    return Status::Failure("the backup boot sector and its FSInfo copy must lie in sectors 2.." +
                           std::to_string(reserved - 1) + " of the reserved area");
  }
  if (options.type_text && options.type_text->size() > 8)
    return Status::Failure("the type text has more than 8 characters");
  if (reserved < 1 || reserved > 0xFFFF)
    return Status::Failure("reserved sectors must be 1 to 65535");
  if (options.type == FatType::kFat32 && options.root_entries != 0) {
    return Status::Failure("FAT32 keeps its root folder in clusters: root entries must be 0");
  }
  if (options.root_entries % 16 != 0 || options.root_entries > 0xFFF0) {
    return Status::Failure("root entries must be a multiple of 16 up to 65520");
  }
  if (options.label.size() > 11)
    return Status::Failure("the volume label has more than 11 characters");
  if (options.oem.size() > 8) return Status::Failure("the OEM name has more than 8 characters");
  if (!IsKnownCodePage(options.code_page))
    return Status::Failure("code page " + std::to_string(options.code_page) + " is not known");
  return {};
}

}  // namespace

const char* FatTypeName(FatType type) {
  switch (type) {
    case FatType::kFat12:
      return "FAT12";
    case FatType::kFat16:
      return "FAT16";
    case FatType::kFat32:
      return "FAT32";
  }
  return "FAT";
}

Status ComputeLayout(const VolumeOptions& options, uint64_t volume_offset, uint64_t room_bytes,
                     VolumeLayout* layout) {
  const uint32_t reserved = options.reserved_sectors != 0
                                ? options.reserved_sectors
                                : (options.type == FatType::kFat32 ? 32u : 1u);
  if (Status checked = CheckOptions(options, reserved); !checked) return checked;
  const uint64_t bytes = options.volume_bytes != 0 ? options.volume_bytes : room_bytes;
  if (bytes > room_bytes) {
    return Status::Failure("the volume (" + std::to_string(bytes) + " bytes) is larger than its " +
                           std::to_string(room_bytes) + " bytes of room");
  }
  if (bytes % VolumeLayout::kSectorBytes != 0)
    return Status::Failure("the volume size must be a whole number of 512-byte sectors");
  const uint64_t sectors = bytes / VolumeLayout::kSectorBytes;
  if (sectors > 0xFFFFFFFF || volume_offset / VolumeLayout::kSectorBytes > 0xFFFFFFFF)
    return Status::Failure("the card is too large for 32-bit sector numbers");
  VolumeLayout out;
  out.type = options.type;
  out.volume_offset = volume_offset;
  out.volume_sectors = static_cast<uint32_t>(sectors);
  out.sectors_per_cluster = options.sectors_per_cluster;
  out.reserved_sectors = reserved;
  out.fat_count = options.fat_count;
  out.root_entries =
      options.root_entries != 0 ? options.root_entries : DefaultRootEntries(options.type);

  // Growing the tables shrinks the data area, so settle on the smallest size that covers it.
  const uint64_t fixed = uint64_t{reserved} + out.RootDirSectors();
  uint32_t fat_sectors = 1;
  uint64_t clusters = 0;
  for (;;) {
    const uint64_t overhead = fixed + uint64_t{out.fat_count} * fat_sectors;
    if (overhead >= out.volume_sectors) {
      return Status::Failure("the card is too small for its boot area, FATs and root folder");
    }
    clusters = (out.volume_sectors - overhead) / out.sectors_per_cluster;
    const uint64_t table_bits = (clusters + 2) * EntryBits(out.type);
    const uint64_t needed =
        (table_bits + 8 * VolumeLayout::kSectorBytes - 1) / (8 * VolumeLayout::kSectorBytes);
    if (needed <= fat_sectors) break;
    fat_sectors = static_cast<uint32_t>(needed);
  }
  if (out.type != FatType::kFat32 && fat_sectors > 0xFFFF) {
    return Status::Failure("the FAT is too large for a FAT12/FAT16 boot sector");
  }
  out.sectors_per_fat = fat_sectors;
  if (clusters > kMaxFat32Clusters) return Status::Failure("the card holds too many clusters");
  out.cluster_count = static_cast<uint32_t>(clusters);
  if (Status counted = CheckClusterCount(options, out.cluster_count); !counted) return counted;
  *layout = out;
  return {};
}

}  // namespace kova::mkcard
