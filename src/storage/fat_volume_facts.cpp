#include "storage/fat_volume_facts.h"

#include <algorithm>
#include <span>
#include <vector>

#include "ondisk/fat_dir_entry.h"

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

}  // namespace

std::string ReadRootFolderLabel(const TXVolumeReader& read, const TXBootSector& boot,
                                const TXFatEntries& table, uint16_t codePage) {
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
    if (cluster < 2 || cluster >= table.Count()) return {};
    if (!read(boot.ClusterOffset(cluster), bytes.data(), boot.ClusterBytes())) return {};
    std::string label = LabelAmong(bytes, codePage, ended);
    if (!label.empty()) return label;
    cluster = table[cluster];
  }
  return {};
}

TXFatVolumeFacts DescribeFatVolume(const TXVolumeReader& reader, const TXFatBootRead& read,
                                   const TXFatEntries& table, uint16_t codePage) {
  const TXBootSector& boot = read.Boot;
  TXFatVolumeFacts facts;
  facts.Type = boot.Type();
  facts.Label = ReadRootFolderLabel(reader, boot, table, codePage);
  if (facts.Label.empty()) facts.Label = boot.VolumeLabel(codePage);
  facts.Serial = boot.HasSerialAndLabel() ? boot.VolumeSerial() : 0;
  facts.SectorSize = boot.BytesPerSector();
  facts.SectorsPerCluster = boot.SectorsPerCluster();
  facts.ClusterSize = static_cast<uint32_t>(boot.ClusterBytes());
  facts.TotalClusters = std::max<int64_t>(0, boot.ClusterCount() - 2);
  if (table.Count() > 0) facts.FreeClusters = table.FreeCount();
  facts.FromBackupBoot = read.FromBackup;
  return facts;
}

std::string FatFileSystemName(TXFatType type) {
  return type == TXFatType::ftFat32 ? "FAT32" : "FAT";
}

}  // namespace kova
