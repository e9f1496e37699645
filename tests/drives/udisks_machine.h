#pragma once

#include <cstdint>
#include <string>

#include "support/udisks_fixture.h"

// The machine the tests of udisks2 describe: a system disk on NVMe, a USB SD reader with a
// partitioned card, an empty CF reader, a virtio disk and a loop device over an image file.
namespace kova::test {

inline constexpr int64_t kCardBytes = 7948206080;

inline UDisksMachine DescribedMachine(const std::string& loopFile) {
  UDisksMachine machine;
  machine.Drive("Samsung_SSD_970", {{"Vendor", ""},
                                    {"Model", "Samsung SSD 970 EVO"},
                                    {"ConnectionBus", ""},
                                    {"Removable", false}});
  machine.Disk("nvme0n1", "/dev/nvme0n1", 500107862016, "Samsung_SSD_970");
  machine.Partition("nvme0n1p1", "/dev/nvme0n1p1", "nvme0n1", 1, 536870912,
                    {{"IdUsage", "filesystem"}, {"IdType", "vfat"}, {"IdLabel", "EFI"}});
  machine.Partition("nvme0n1p2", "/dev/nvme0n1p2", "nvme0n1", 2, 499570991104,
                    {{"IdUsage", "filesystem"}, {"IdType", "ext4"}});
  machine.CardReader("Generic_SD_Reader", "SD Reader", "flash_sd");
  machine.Disk("sdb", "/dev/sdb", kCardBytes, "Generic_SD_Reader");
  machine.Partition("sdb1", "/dev/sdb1", "sdb", 1, kCardBytes - 4194304,
                    {{"IdUsage", "filesystem"}, {"IdType", "vfat"}, {"IdLabel", "CANON_DC"}});
  machine.CardReader("Generic_CF_Reader", "CF Reader", "", false);
  machine.Disk("sdc", "/dev/sdc", 0, "Generic_CF_Reader");
  machine.Drive("virtio", {{"Vendor", "0x1af4"}, {"Model", ""}, {"Removable", false}});
  machine.Disk("vda", "/dev/vda", 21474836480, "virtio");
  machine.Disk("loop0", "/dev/loop0", 67108864, "");
  machine.Interface(UDisksMachine::BlockPath("loop0"), "org.freedesktop.UDisks2.Loop",
                    {{"BackingFile", loopFile}});
  machine.Disk("loop1", "/dev/loop1", 0, "");
  machine.Interface(UDisksMachine::BlockPath("loop1"), "org.freedesktop.UDisks2.Loop",
                    {{"BackingFile", ""}});
  machine.Disk("zram0", "/dev/zram0", 4294967296, "", {{"HintIgnore", true}});
  return machine;
}

}  // namespace kova::test
