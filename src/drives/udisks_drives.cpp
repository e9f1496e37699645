#include "drives/udisks_drives.h"

#include <QDBusObjectPath>
#include <algorithm>
#include <filesystem>
#include <map>

#include "framework/text_utils.h"
#include "storage/drive_sysfs.h"

namespace kova {

namespace {

using TXProperties = QVariantMap;

const TXProperties* Interface(const TXUDisksInterfaces& interfaces, const char* name) {
  auto found = interfaces.find(QLatin1String(name));
  return found == interfaces.end() ? nullptr : &found.value();
}

std::string Text(const TXProperties& properties, const char* name) {
  return properties.value(QLatin1String(name)).toString().toStdString();
}

bool Flag(const TXProperties& properties, const char* name) {
  return properties.value(QLatin1String(name)).toBool();
}

QString ObjectPath(const TXProperties& properties, const char* name) {
  return qvariant_cast<QDBusObjectPath>(properties.value(QLatin1String(name))).path();
}

std::string NameOfDevice(const std::string& device) {
  return std::filesystem::path(device).filename().string();
}

TXMediumKind MediumOfMedia(const std::string& media) {
  static const std::vector<std::pair<std::string, TXMediumKind>> kMedia = {
      {"flash_sd", TXMediumKind::mkSDCard},      {"flash_cf", TXMediumKind::mkCFCard},
      {"flash_ms", TXMediumKind::mkMemoryStick}, {"flash_xd", TXMediumKind::mkXDCard},
      {"flash_mmc", TXMediumKind::mkMMCCard},    {"flash_sm", TXMediumKind::mkMemoryCard},
      {"flash", TXMediumKind::mkFlashDrive},     {"thumb", TXMediumKind::mkFlashDrive},
      {"optical", TXMediumKind::mkOptical}};
  for (const auto& [prefix, kind] : kMedia) {
    if (media.starts_with(prefix)) return kind;
  }
  return TXMediumKind::mkUnknown;
}

std::string ModelOfDrive(const TXProperties& drive) {
  std::string words;
  for (const char* field : {"Vendor", "Model"}) {
    const std::string text(Trim(Text(drive, field)));
    if (!text.empty() && !IsBareNumber(text)) words += " " + text;
  }
  return std::string(Trim(words));
}

// What the drive object (the hardware) tells of a block device.
void DescribeDrive(const TXProperties& drive, TXDriveInfo& info) {
  info.Model = ModelOfDrive(drive);
  info.Bus = Text(drive, "ConnectionBus");
  const bool removable = Flag(drive, "Removable") || Flag(drive, "MediaRemovable");
  info.Type = Flag(drive, "Optical") ? TXDriveType::dtCDROM
              : removable            ? TXDriveType::dtRemovable
                                     : TXDriveType::dtFixed;
  std::string media = Text(drive, "Media");
  const QStringList compatible = drive.value(QStringLiteral("MediaCompatibility")).toStringList();
  if (media.empty() && !compatible.isEmpty()) media = compatible.first().toStdString();
  info.Medium = MediumOfMedia(media);
  if (info.Medium == TXMediumKind::mkUnknown)
    info.Medium = removable ? MediumOfReaderModel(info.Model) : TXMediumKind::mkHardDisk;
  if (removable && !Flag(drive, "MediaAvailable")) info.Size = 0;
}

// A block device that belongs to no drive: a loop, RAM, network or mapped device.
void DescribeVirtual(const TXUDisksInterfaces& interfaces, TXDriveInfo& info) {
  info.Type = TXDriveType::dtFixed;
  if (const TXProperties* loop = Interface(interfaces, udisks::kLoop)) {
    info.Medium = TXMediumKind::mkLoop;
    info.BackingFile = ByteString(loop->value(QStringLiteral("BackingFile")));
  } else if (info.Name.starts_with("zram") || info.Name.starts_with("ram")) {
    info.Type = TXDriveType::dtRAMDISK;
    info.Medium = TXMediumKind::mkRAMDisk;
  } else if (info.Name.starts_with("nbd")) {
    info.Type = TXDriveType::dtRemote;
    info.Medium = TXMediumKind::mkNetwork;
  }
}

struct TXBlockEntry {
  TXDriveInfo Info;
  QString TableObject;  // the partition table's block object, for a partition
};

std::optional<TXBlockEntry> EntryOf(const TXUDisksObjects& objects,
                                    const TXUDisksInterfaces& interfaces) {
  const TXProperties* block = Interface(interfaces, udisks::kBlock);
  if (!block || Flag(*block, "HintIgnore")) return std::nullopt;
  TXBlockEntry entry;
  TXDriveInfo& info = entry.Info;
  info.DevicePath = ByteString(block->value(QStringLiteral("Device")));
  info.Name = NameOfDevice(info.DevicePath);
  info.Size = static_cast<int64_t>(block->value(QStringLiteral("Size")).toULongLong());
  info.Label = Text(*block, "IdLabel");
  if (Text(*block, "IdUsage") == "filesystem") info.FileSystem = Text(*block, "IdType");
  auto drive = objects.find(QDBusObjectPath(ObjectPath(*block, "Drive")));
  const TXProperties* driveProperties =
      drive == objects.end() ? nullptr : Interface(drive.value(), udisks::kDrive);
  if (driveProperties) {
    DescribeDrive(*driveProperties, info);
  } else {
    DescribeVirtual(interfaces, info);
  }
  if (info.Medium == TXMediumKind::mkLoop && info.Size == 0) return std::nullopt;
  if (const TXProperties* partition = Interface(interfaces, udisks::kPartition)) {
    info.PartitionNumber = partition->value(QStringLiteral("Number")).toUInt();
    entry.TableObject = ObjectPath(*partition, "Table");
  }
  info.HasPartitions = Interface(interfaces, udisks::kPartitionTable) != nullptr;
  return entry;
}

}  // namespace

std::vector<TXDriveInfo> DrivesOfObjects(const TXUDisksObjects& objects) {
  std::map<QString, TXBlockEntry> entries;
  for (auto object = objects.begin(); object != objects.end(); ++object) {
    if (std::optional<TXBlockEntry> entry = EntryOf(objects, object.value()))
      entries.emplace(object.key().path(), std::move(*entry));
  }
  std::vector<TXDriveInfo> disks;
  std::map<std::string, std::vector<TXDriveInfo>> partitions;
  for (auto& [path, entry] : entries) {
    auto table = entries.find(entry.TableObject);
    if (table == entries.end()) {
      disks.push_back(entry.Info);
      continue;
    }
    entry.Info.Disk = table->second.Info.Name;
    partitions[entry.Info.Disk].push_back(entry.Info);
  }
  auto byName = [](const TXDriveInfo& a, const TXDriveInfo& b) {
    return NaturalLess(a.Name, b.Name);
  };
  std::sort(disks.begin(), disks.end(), byName);
  std::vector<TXDriveInfo> drives;
  for (const TXDriveInfo& disk : disks) {
    drives.push_back(disk);
    std::vector<TXDriveInfo>& own = partitions[disk.Name];
    std::sort(own.begin(), own.end(), byName);
    drives.insert(drives.end(), own.begin(), own.end());
  }
  return drives;
}

std::vector<TXDriveInfo> EnumerateDrivesOrSysfs(const TXPlatformPaths& paths,
                                                const std::string& address) {
  TXUDisksClient client(address);
  std::optional<TXUDisksObjects> objects = client.Objects();
  return objects ? DrivesOfObjects(*objects) : EnumerateDrives(paths);
}

}  // namespace kova
