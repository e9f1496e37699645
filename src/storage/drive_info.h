#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace kova {

// The kinds of drive, in the order of the values 0 to 6 the rest of the system uses.
enum class TXDriveType : uint8_t {
  dtUnknown,
  dtNoRoot,  // the kernel knows the device but it has no node to open
  dtRemovable,
  dtFixed,
  dtRemote,
  dtCDROM,
  dtRAMDISK,
};

// A set of drive kinds.
class TXDriveTypes {
 public:
  TXDriveTypes() = default;
  TXDriveTypes(std::initializer_list<TXDriveType> types) {
    for (TXDriveType type : types)
      Include(type);
  }
  static TXDriveTypes All() { return TXDriveTypes(0x7F); }

  bool Contains(TXDriveType type) const { return bits_ & Bit(type); }
  TXDriveTypes& Include(TXDriveType type) {
    bits_ |= Bit(type);
    return *this;
  }
  friend bool operator==(TXDriveTypes, TXDriveTypes) = default;

 private:
  explicit TXDriveTypes(uint8_t bits) : bits_(bits) {}
  static uint8_t Bit(TXDriveType type) {
    return static_cast<uint8_t>(1u << static_cast<int>(type));
  }
  uint8_t bits_ = 0;
};

// What a drive holds, as far as the system tells: the words people use for it.
enum class TXMediumKind : uint8_t {
  mkUnknown,
  mkSDCard,
  mkCFCard,
  mkMemoryStick,
  mkXDCard,
  mkMMCCard,
  mkMemoryCard,  // a card of a kind the reader does not tell
  mkFlashDrive,
  mkHardDisk,
  mkVirtualDisk,
  mkOptical,
  mkLoop,
  mkNetwork,
  mkRAMDisk,
};

// One drive: a whole disk or one of its partitions.
struct TXDriveInfo {
  std::string Name;        // the kernel's name: sdb, sdb1, mmcblk0p1
  std::string DevicePath;  // what the inputs open: /dev/sdb1
  std::string Disk;        // the whole disk's name for a partition, empty for a whole disk
  TXDriveType Type = TXDriveType::dtUnknown;
  TXMediumKind Medium = TXMediumKind::mkUnknown;
  int64_t Size = 0;  // bytes; 0 for a reader without medium
  std::string Label;
  std::string FileSystem;        // "vfat", "exfat", ... when known
  std::string Model;             // vendor and model; never a bare vendor number
  std::string Bus;               // how it is connected: "usb", "sdio", "ata", "nvme", "virtio", ...
  uint32_t PartitionNumber = 0;  // for a partition, when known
  bool HasPartitions = false;    // a whole disk whose partition table lists partitions
  std::string BackingFile;       // the file behind a loop device
  bool System = false;  // holds (or is a partition of the disk that holds) a system file system

  bool IsPartition() const { return !Disk.empty(); }
};

}  // namespace kova
