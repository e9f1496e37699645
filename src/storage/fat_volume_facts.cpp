#include "storage/fat_volume_facts.h"

#include <algorithm>

namespace kova {

TXFatVolumeFacts DescribeFatVolume(const TXFatBootRead& read, const TXFatEntries& table,
                                   uint16_t codePage) {
  const TXBootSector& boot = read.Boot;
  TXFatVolumeFacts facts;
  facts.Type = boot.Type();
  facts.Label = boot.VolumeLabel(codePage);
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
