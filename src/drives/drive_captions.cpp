#include "drives/drive_captions.h"

#include <map>

#include "framework/text_utils.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"

namespace kova {

namespace {

uint32_t MediumText(TXMediumKind medium) {
  static const std::map<TXMediumKind, uint32_t> kTexts = {
      {TXMediumKind::mkSDCard, lg::kMediumSDCard},
      {TXMediumKind::mkCFCard, lg::kMediumCFCard},
      {TXMediumKind::mkMemoryStick, lg::kMediumMemoryStick},
      {TXMediumKind::mkXDCard, lg::kMediumXDCard},
      {TXMediumKind::mkMMCCard, lg::kMediumMMCCard},
      {TXMediumKind::mkMemoryCard, lg::kMediumMemoryCard},
      {TXMediumKind::mkFlashDrive, lg::kMediumFlashDrive},
      {TXMediumKind::mkHardDisk, lg::kMediumHardDisk},
      {TXMediumKind::mkVirtualDisk, lg::kMediumVirtualDisk},
      {TXMediumKind::mkOptical, lg::kMediumOptical},
      {TXMediumKind::mkLoop, lg::kMediumLoop},
      {TXMediumKind::mkNetwork, lg::kMediumNetwork},
      {TXMediumKind::mkRAMDisk, lg::kMediumRAMDisk}};
  auto found = kTexts.find(medium);
  return found == kTexts.end() ? lg::kMediumUnknown : found->second;
}

// The connection as it is printed on the plug: "usb" is USB, "sdio" an SD slot.
std::string BusName(const std::string& bus) {
  static const std::map<std::string, std::string> kNames = {
      {"usb", "USB"},   {"sdio", "SD"},           {"ata", "ATA"},      {"nvme", "NVMe"},
      {"scsi", "SCSI"}, {"ieee1394", "FireWire"}, {"virtio", "virtio"}};
  auto found = kNames.find(bus);
  return found == kNames.end() ? bus : found->second;
}

std::string FileSystemName(const std::string& type) {
  static const std::map<std::string, std::string> kNames = {
      {"vfat", "FAT"}, {"exfat", "exFAT"},  {"ntfs", "NTFS"}, {"iso9660", "ISO 9660"},
      {"udf", "UDF"},  {"hfsplus", "HFS+"}, {"swap", "swap"}};
  auto found = kNames.find(type);
  return found == kNames.end() ? type : found->second;
}

// A whole disk's own label, else the label of its only partition (a card as cameras format it).
std::string LabelOf(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all) {
  if (!drive.Label.empty() || drive.IsPartition()) return drive.Label;
  const TXDriveInfo* only = nullptr;
  for (const TXDriveInfo& partition : all) {
    if (partition.Disk != drive.Name) continue;
    if (only) return {};
    only = &partition;
  }
  return only ? only->Label : std::string();
}

std::string Head(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all) {
  std::string head = DriveKindName(drive);
  if (drive.Size <= 0) return head + ", " + Lg().Word(lg::kDriveNoMedium);
  head += " " + FormatByteSize(drive.Size);
  const std::string label = LabelOf(drive, all);
  return label.empty() ? head : head + " '" + label + "'";
}

std::vector<std::string> Details(const TXDriveInfo& drive) {
  std::vector<std::string> details;
  auto add = [&](const std::string& text) {
    if (!text.empty()) details.push_back(text);
  };
  if (drive.IsPartition()) {
    add(FileSystemName(drive.FileSystem));
  } else {
    add(drive.Model);
    add(BusName(drive.Bus));
    add(drive.BackingFile);
  }
  if (drive.System) add(Lg().Word(lg::kDriveHoldsSystem));
  return details;
}

}  // namespace

std::string DriveKindName(const TXDriveInfo& drive) {
  if (drive.IsPartition()) {
    return drive.PartitionNumber == 0
               ? Lg().Word(lg::kDrivePartition)
               : Lg().Format(lg::kDrivePartitionNumber, {std::to_string(drive.PartitionNumber)});
  }
  if (drive.Medium == TXMediumKind::mkUnknown && drive.Type == TXDriveType::dtRemovable)
    return Lg().Word(lg::kMediumRemovable);
  return Lg().Word(MediumText(drive.Medium));
}

std::string DriveDescription(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all) {
  std::string description = Head(drive, all);
  std::string details;
  for (const std::string& detail : Details(drive))
    details += (details.empty() ? "" : ", ") + detail;
  return details.empty() ? description : description + " \u2014 " + details;
}

std::string DriveCaption(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all) {
  return DriveDescription(drive, all) + " (" + drive.DevicePath + ")";
}

}  // namespace kova
