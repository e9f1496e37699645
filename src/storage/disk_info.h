#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/oem_code_pages.h"
#include "storage/volume_reader.h"

namespace kova {

class IXBlockDevice;

// What is known of a source: volume facts, geometry and sizes. It is also the trailer appended to
// an image file (ToXml). A cleared record has empty strings and zero numbers.
struct TXDiskInfoRecord {
  std::string RootPath;
  uint32_t VolumeSerial = 0;
  uint32_t FileSystemFlags = 0;
  uint32_t VolumeMaxLength = 0;
  std::string VolumeName;
  std::string FileSystem;  // "FAT" (FAT12/16), "FAT32", "exFAT", "NTFS", or as probed
  uint32_t SectorSize = 0;
  uint32_t SectorsPerCluster = 0;
  uint32_t ClusterSize = 0;
  int64_t TotalClusters = 0;
  int64_t TotalSpace = 0;
  int64_t FreeClusters = 0;
  int64_t FreeSpace = 0;
  // Bytes the input exposes; the size every reader uses. For a device its whole size.
  int64_t DiskSize = 0;
  // In the trailer of an image file whose copy stopped early: the bytes of the source it holds.
  // -1 for a whole image and every other source.
  int64_t CopiedBytes = -1;

  void Clear() { *this = TXDiskInfoRecord(); }
  // ClusterSize, or 1024 when it is unknown: the unit in which images are copied.
  int64_t UnitSize() const { return ClusterSize ? ClusterSize : 1024; }

  // Volume facts of a block device, an image file or a folder's file system, free space
  // included. False when the path does not exist or cannot be examined (the record is then
  // cleared but for RootPath). FAT labels are decoded with the OEM code page.
  bool QueryVolume(const std::string& path, uint16_t codePage = kDefaultCodePage);
  // The facts of a device already open as an opening needs them (never fails): it reads the
  // boot sector and the root folder, not the allocation table, so the free figures are only
  // those of a mounted file system until CountFreeSpace tells them.
  void QueryVolume(IXBlockDevice& device, uint16_t codePage = kDefaultCodePage);
  // Counts the free clusters of a FAT volume at the start of the medium (DiskSize bytes, read
  // through `read`) in its allocation table, for where the figure is shown (kova-cli info, an
  // image's trailer). Other volumes keep their figures.
  void CountFreeSpace(const TXVolumeReader& read);
  // Sizes from the device's geometry: the whole size, the sector size and, where the device
  // reports a track length, a cluster of one track. False when the device cannot be opened.
  bool QueryGeometry(const std::string& devicePath);
  void QueryGeometry(IXBlockDevice& device);

  // The trailer text (UTF-8): "<xml>", CR LF, the elements, CR LF, "</xml>".
  std::string ToXml() const;
  // Replaces every field from a trailer text; missing or malformed numbers read as 0.
  void FromXml(std::string_view text);

  friend bool operator==(const TXDiskInfoRecord&, const TXDiskInfoRecord&) = default;
};

// "%0.0f bytes" below 1 KiB, then "%0.2f KB", "%0.2f MB", "%0.2f GB" (with the locale's decimal
// separator).
std::string FormatByteSize(int64_t size);

}  // namespace kova
