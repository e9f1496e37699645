#include "storage/disk_info.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "framework/markup_escape.h"
#include "framework/oem_code_pages.h"
#include "framework/text_utils.h"
#include "storage/exfat_boot_region.h"
#include "storage/fat_volume_facts.h"
#include "storage/platform_device.h"
#include "storage/platform_volume.h"

namespace kova {

namespace {

constexpr uint32_t kLongNameLength = 255;

// File-system name, label and serial from libblkid, refined by the FAT boot sector, which alone
// tells FAT16 from FAT32. Answers the boot sector when the volume is FAT; the caller then
// describes the volume (a folder's file system is only named).
bool NameVolume(IXBlockDevice& device, TXDiskInfoRecord& record, TXFatBootRead& fat) {
  TXVolumeProbe probe;
  bool probed = ProbeVolume(device.NativeHandle(), probe);
  if (probed) {
    record.FileSystem = FileSystemNameOf(probe.Type);
    record.VolumeName = probe.Label;
    record.VolumeSerial = SerialOfUuid(probe.Uuid);
  }
  if (!probed || IsFatFileSystemName(record.FileSystem)) fat = ReadFatBoot(DeviceReader(device));
  const bool isFat = fat.IsFat();
  if (isFat) record.FileSystem = FatFileSystemName(fat.Boot.Type());
  if (!record.FileSystem.empty()) record.VolumeMaxLength = kLongNameLength;
  return isFat;
}

// The facts of a FAT volume, read as the recovery reads them but without its table, so that
// opening a drive reads only the boot sector and the root folder. The label is the root folder's,
// decoded with the code page (libblkid leaves a FAT label's bytes undecoded); the serial fills in
// what libblkid did not tell.
void DescribeFatVolume(IXBlockDevice& device, const TXFatBootRead& fat, uint16_t codePage,
                       TXDiskInfoRecord& record) {
  const TXFatVolumeFacts facts =
      DescribeFatVolume(DeviceReader(device), fat, device.Size(), codePage);
  record.VolumeName = facts.Label;
  if (record.VolumeSerial == 0) record.VolumeSerial = facts.Serial;
  record.SectorSize = facts.SectorSize;
  record.SectorsPerCluster = facts.SectorsPerCluster;
  record.ClusterSize = facts.ClusterSize;
  record.TotalClusters = facts.TotalClusters;
  record.TotalSpace = record.TotalClusters * record.ClusterSize;
}

// An exFAT volume as its boot region (the backup when the main one is damaged) describes it.
// libblkid names only volumes whose main region is sound. Free space is left to a mounted
// volume's figures: it is kept in the allocation bitmap, not in the boot region.
void DescribeExfatVolume(IXBlockDevice& device, TXDiskInfoRecord& record) {
  if (!record.FileSystem.empty() && record.FileSystem != "exFAT") return;
  TXExfatBootRegion region = ReadExfatBootRegion(DeviceReader(device));
  if (region.Source == TXExfatBootSource::bsNone) return;
  const TXExfatBootSector& boot = region.Boot;
  record.FileSystem = "exFAT";
  record.VolumeMaxLength = kLongNameLength;
  if (record.VolumeSerial == 0) record.VolumeSerial = boot.VolumeSerial();
  record.SectorSize = boot.SectorBytes();
  record.SectorsPerCluster = uint32_t{1} << boot.ClusterShift();
  record.ClusterSize = static_cast<uint32_t>(boot.ClusterBytes());
  record.TotalClusters = boot.ClusterCount();
  record.TotalSpace = record.TotalClusters * record.ClusterSize;
}

// The space of the file system when the device is mounted.
std::optional<TXSpaceFacts> LiveSpace(IXBlockDevice& device) {
  if (!device.IsBlockDevice()) return std::nullopt;
  std::optional<TXMountEntry> mount = MountOfDevice(device.Path());
  TXSpaceFacts space;
  int error = 0;
  if (!mount || !QuerySpace(mount->MountPoint, space, error)) return std::nullopt;
  return space;
}

// Live figures of a mounted file system replace the ones computed from the medium.
void TakeSpace(const TXSpaceFacts& space, TXDiskInfoRecord& record) {
  record.TotalSpace = space.TotalBytes;
  record.FreeSpace = space.FreeBytes;
  record.VolumeMaxLength = space.MaxNameLength;
  record.FileSystemFlags = space.Flags;
  if (record.ClusterSize == 0) {
    record.ClusterSize = space.BlockSize;
    record.SectorSize = record.SectorSize ? record.SectorSize : 512;
    record.SectorsPerCluster = record.ClusterSize / record.SectorSize;
    record.TotalClusters = record.ClusterSize ? record.TotalSpace / record.ClusterSize : 0;
  }
  record.FreeClusters = record.ClusterSize ? record.FreeSpace / record.ClusterSize : 0;
}

bool QueryFolder(const std::string& path, TXDiskInfoRecord& record) {
  TXSpaceFacts space;
  int error = 0;
  if (!QuerySpace(path, space, error)) return false;
  TakeSpace(space, record);
  record.DiskSize = record.TotalSpace;
  std::optional<TXMountEntry> mount = MountHolding(path);
  if (!mount) return true;
  record.FileSystem = FileSystemNameOf(mount->Type);
  if (TXDeviceOpening source = OpenDevice(mount->Source); source.Device) {
    TXFatBootRead fat;
    NameVolume(*source.Device, record, fat);
  }
  return true;
}

std::string Element(std::string_view name, std::string_view content) {
  return "<" + std::string(name) + ">" + std::string(content) + "</" + std::string(name) + ">";
}

// The text between the first opening tag of the element and its closing tag; empty when absent.
std::string_view ElementText(std::string_view text, std::string_view name) {
  std::string open = "<" + std::string(name) + ">";
  std::string close = "</" + std::string(name) + ">";
  size_t start = text.find(open);
  if (start == std::string_view::npos) return {};
  start += open.size();
  size_t end = text.find(close, start);
  return end == std::string_view::npos ? std::string_view() : text.substr(start, end - start);
}

// A whole number within [low, high], or 0.
int64_t NumberIn(std::string_view text, int64_t low, int64_t high) {
  std::optional<int64_t> value = ParseInteger(Trim(text));
  return value && *value >= low && *value <= high ? *value : 0;
}

uint32_t Unsigned32(std::string_view text, std::string_view name) {
  return static_cast<uint32_t>(NumberIn(ElementText(text, name), 0, 0xFFFFFFFFll));
}

int64_t Count64(std::string_view text, std::string_view name) {
  return NumberIn(ElementText(text, name), 0, std::numeric_limits<int64_t>::max());
}

// count * size, or 0 when a damaged trailer makes it overflow.
int64_t Bytes(int64_t count, uint32_t size) {
  int64_t product = 0;
  return __builtin_mul_overflow(count, int64_t{size}, &product) ? 0 : product;
}

}  // namespace

bool TXDiskInfoRecord::QueryVolume(const std::string& path, uint16_t codePage) {
  Clear();
  RootPath = path;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return QueryFolder(path, *this);
  TXDeviceOpening opening = OpenDevice(path);
  if (!opening.Device) return false;
  QueryVolume(*opening.Device, codePage);
  if (!LiveSpace(*opening.Device)) CountFreeSpace(DeviceReader(*opening.Device));
  return true;
}

void TXDiskInfoRecord::CountFreeSpace(const TXVolumeReader& read) {
  const TXFatBootRead fat = ReadFatBoot(read);
  if (!fat.IsFat() || DiskSize <= 0) return;
  const int64_t free = CountFatFreeClusters(read, fat.Boot, DiskSize);
  if (free < 0) return;
  FreeClusters = free;
  FreeSpace = free * fat.Boot.ClusterBytes();
}

void TXDiskInfoRecord::QueryVolume(IXBlockDevice& device, uint16_t codePage) {
  std::string root = RootPath.empty() ? device.Path() : RootPath;
  Clear();
  RootPath = root;
  DiskSize = device.Size();
  SectorSize = device.SectorSize();
  TXFatBootRead fat;
  bool isFat = NameVolume(device, *this, fat);
  std::optional<TXSpaceFacts> live = LiveSpace(device);
  if (isFat) DescribeFatVolume(device, fat, codePage, *this);
  if (!isFat) DescribeExfatVolume(device, *this);
  if (live) TakeSpace(*live, *this);
}

bool TXDiskInfoRecord::QueryGeometry(const std::string& devicePath) {
  TXDeviceOpening opening = OpenDevice(devicePath);
  if (!opening.Device) return false;
  QueryGeometry(*opening.Device);
  return true;
}

void TXDiskInfoRecord::QueryGeometry(IXBlockDevice& device) {
  SectorSize = device.SectorSize();
  SectorsPerCluster = device.SectorsPerTrack();
  ClusterSize = SectorSize * SectorsPerCluster;
  TotalSpace = DiskSize = device.Size();
  TotalClusters = ClusterSize ? TotalSpace / ClusterSize : 0;
}

std::string TXDiskInfoRecord::ToXml() const {
  std::string body = Element("volume_serial", std::to_string(VolumeSerial)) +
                     Element("volume_max_length", std::to_string(VolumeMaxLength)) +
                     Element("volume_name", XmlEscaped(VolumeName)) +
                     Element("file_system", XmlEscaped(FileSystem)) +
                     Element("sector_size", std::to_string(SectorSize)) +
                     Element("cluster_size", std::to_string(ClusterSize)) +
                     Element("total_clusters", std::to_string(TotalClusters)) +
                     Element("free_clusters", std::to_string(FreeClusters));
  if (CopiedBytes >= 0) body += Element("copied_bytes", std::to_string(CopiedBytes));
  return "<xml>\r\n" + body + "\r\n</xml>";
}

void TXDiskInfoRecord::FromXml(std::string_view text) {
  Clear();
  VolumeSerial = Unsigned32(text, "volume_serial");
  VolumeMaxLength = Unsigned32(text, "volume_max_length");
  VolumeName = XmlUnescaped(ElementText(text, "volume_name"));
  FileSystem = XmlUnescaped(ElementText(text, "file_system"));
  SectorSize = Unsigned32(text, "sector_size");
  ClusterSize = Unsigned32(text, "cluster_size");
  TotalClusters = Count64(text, "total_clusters");
  FreeClusters = Count64(text, "free_clusters");
  if (SectorSize != 0) SectorsPerCluster = ClusterSize / SectorSize;
  TotalSpace = Bytes(TotalClusters, ClusterSize);
  DiskSize = TotalSpace;
  FreeSpace = Bytes(FreeClusters, ClusterSize);
  if (!ElementText(text, "copied_bytes").empty()) CopiedBytes = Count64(text, "copied_bytes");
}

std::string FormatByteSize(int64_t size) {
  double value = static_cast<double>(size);
  char text[64];
  if (size < 1024) {
    std::snprintf(text, sizeof text, "%0.0f bytes", value);
  } else if (size < 1048576) {
    std::snprintf(text, sizeof text, "%0.2f KB", value / 1024);
  } else if (size < 1073741824) {
    std::snprintf(text, sizeof text, "%0.2f MB", value / 1048576);
  } else {
    std::snprintf(text, sizeof text, "%0.2f GB", value / 1073741824);
  }
  return text;
}

}  // namespace kova
