#include "storage/fat_volume_facts.h"

#include <algorithm>
#include <span>
#include <vector>

#include "ondisk/fat_dir_entry.h"
#include "ondisk/fs_info_sector.h"

namespace kova {

namespace {

constexpr int kMostRootClusters = 64;
constexpr int64_t kEntryBytes = 32;

// The label entry among the entries, "" when none; `ended` is set at the folder's end entry.
std::string LabelAmong(std::span<const uint8_t> entries, uint16_t codePage, bool& ended) {
  for (size_t at = 0; at + kEntryBytes <= entries.size(); at += kEntryBytes) {
    TXDirEntryBytes entry(entries.data() + at, kEntryBytes);
    if (IsEndEntry(entry)) {
      ended = true;
      return {};
    }
    if (IsVolumeLabelEntry(entry)) return DecodeFatLabel(entry.first<11>(), codePage);
  }
  return {};
}

// Everything but the free count, the FAT32 root folder followed by `next`.
TXFatVolumeFacts DescribeWithChain(const TXVolumeReader& reader, const TXFatBootRead& read,
                                   const TXNextCluster& next, uint16_t codePage) {
  const TXBootSector& boot = read.Boot;
  TXFatVolumeFacts facts;
  facts.Type = boot.Type();
  facts.Label = ReadRootFolderLabel(reader, boot, next, codePage);
  if (facts.Label.empty()) facts.Label = boot.VolumeLabel(codePage);
  facts.Serial = boot.HasSerialAndLabel() ? boot.VolumeSerial() : 0;
  facts.SectorSize = boot.BytesPerSector();
  facts.SectorsPerCluster = boot.SectorsPerCluster();
  facts.ClusterSize = static_cast<uint32_t>(boot.ClusterBytes());
  facts.TotalClusters = std::max<int64_t>(0, boot.ClusterCount() - 2);
  facts.FromBackupBoot = read.FromBackup;
  return facts;
}

// The FAT32 information sector's free count, for a table too large to be counted; -1 when the
// sector is missing, unsigned or counts more clusters than the volume has.
int64_t HintedFreeClusters(const TXVolumeReader& read, const TXBootSector& boot) {
  if (boot.Type() != TXFatType::ftFat32) return -1;
  const uint32_t at = boot.FsInfoSector();
  std::vector<uint8_t> sector(TXBootSector::kSize);
  if (at == 0 || at >= boot.ReservedSectors() ||
      !read(int64_t{at} * boot.BytesPerSector(), sector.data(), TXBootSector::kSize))
    return -1;
  const TXFsInfoSector info(sector);
  const int64_t clusters = std::max<int64_t>(0, boot.ClusterCount() - 2);
  return info.HasSignatures() && info.FreeCount() <= clusters ? int64_t{info.FreeCount()} : -1;
}

}  // namespace

std::string ReadRootFolderLabel(const TXVolumeReader& read, const TXBootSector& boot,
                                const TXNextCluster& next, uint16_t codePage) {
  bool ended = false;
  std::vector<uint8_t> bytes;
  if (boot.Type() != TXFatType::ftFat32) {
    bytes.resize(static_cast<size_t>(boot.RootDirBytes()));
    if (bytes.empty() || !read(boot.RootDirOffset(), bytes.data(), boot.RootDirBytes())) return {};
    return LabelAmong(bytes, codePage, ended);
  }
  bytes.resize(static_cast<size_t>(boot.ClusterBytes()));
  uint32_t cluster = boot.RootCluster();
  for (int step = 0; step < kMostRootClusters && !ended; ++step) {
    if (cluster < 2 || cluster >= boot.ClusterCount()) return {};
    if (!read(boot.ClusterOffset(cluster), bytes.data(), boot.ClusterBytes())) return {};
    std::string label = LabelAmong(bytes, codePage, ended);
    if (!label.empty()) return label;
    cluster = next(cluster);
  }
  return {};
}

TXFatVolumeFacts DescribeFatVolume(const TXVolumeReader& reader, const TXFatBootRead& read,
                                   const TXFatEntries& table, uint16_t codePage) {
  auto next = [&table](uint32_t cluster) { return cluster < table.Count() ? table[cluster] : 0; };
  TXFatVolumeFacts facts = DescribeWithChain(reader, read, next, codePage);
  if (table.Count() > 0) facts.FreeClusters = table.FreeCount();
  return facts;
}

TXFatVolumeFacts DescribeFatVolume(const TXVolumeReader& reader, const TXFatBootRead& read,
                                   int64_t volumeBytes, uint16_t codePage) {
  auto next = [&](uint32_t cluster) {
    return TXFatEntries::ReadOne(reader, read.Boot, volumeBytes, cluster);
  };
  return DescribeWithChain(reader, read, next, codePage);
}

int64_t CountFatFreeClusters(const TXVolumeReader& read, const TXBootSector& boot,
                             int64_t volumeBytes) {
  TXFatEntries table;
  if (table.Read(read, boot, volumeBytes)) return table.FreeCount();
  return HintedFreeClusters(read, boot);
}

std::string FatFileSystemName(TXFatType type) {
  return type == TXFatType::ftFat32 ? "FAT32" : "FAT";
}

}  // namespace kova
