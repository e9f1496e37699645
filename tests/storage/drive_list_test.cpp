#include "storage/drive_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/drive_names.h"
#include "support/test_paths.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

// A sysfs tree, a /dev folder and a mounts table as the kernel shows a machine with a system
// disk, a USB card reader with a card, an empty reader, an SD slot, loop and network devices.
class FakeMachine {
 public:
  FakeMachine() {
    paths_.SysRoot = (dir_ / "sys").string();
    paths_.DevRoot = (dir_ / "dev").string();
    paths_.MountsFile = (dir_ / "mounts").string();
    fs::create_directories(dir_ / "dev" / "disk" / "by-label");
    std::ofstream(paths_.MountsFile) << "/dev/sda2 / ext4 rw 0 0\nproc /proc proc rw 0 0\n";
  }

  // A whole disk; `where` is its place under sys/devices (a USB path makes it removable).
  void Disk(const std::string& name, int64_t sectors, const std::string& removable = "0",
            const std::string& where = "", const std::string& vendor = "",
            const std::string& model = "") {
    fs::path dir = dir_ / "sys" / "block" / name;
    if (!where.empty()) {
      fs::path real = dir_ / "sys" / "devices" / where / name;
      fs::create_directories(real);
      fs::create_directories(dir.parent_path());
      fs::create_symlink(real, dir);
    }
    fs::create_directories(dir / "device");
    Write(dir / "size", std::to_string(sectors));
    Write(dir / "removable", removable);
    if (!vendor.empty()) Write(dir / "device" / "vendor", vendor);
    if (!model.empty()) Write(dir / "device" / "model", model);
    Node(name);
  }

  void Partition(const std::string& disk, const std::string& name, int64_t sectors) {
    fs::path dir = dir_ / "sys" / "block" / disk / name;
    fs::create_directories(dir);
    Write(dir / "partition", "1");
    Write(dir / "size", std::to_string(sectors));
    Node(name);
  }

  void Label(const std::string& encodedLabel, const std::string& name) {
    fs::create_symlink("../../" + name, dir_ / "dev" / "disk" / "by-label" / encodedLabel);
  }

  void Backing(const std::string& loop, const std::string& file) {
    fs::create_directories(dir_ / "sys" / "block" / loop / "loop");
    Write(dir_ / "sys" / "block" / loop / "loop" / "backing_file", file);
  }
  // Lists `slave` as a device that the mapped device `mapped` stands on.
  void Slave(const std::string& mapped, const std::string& slave) {
    fs::create_directories(dir_ / "sys" / "block" / mapped / "slaves");
    std::ofstream(dir_ / "sys" / "block" / mapped / "slaves" / slave) << "";
  }
  void Link(const std::string& name, const std::string& target) {
    fs::create_directories((dir_ / "dev" / name).parent_path());
    fs::create_symlink(target, dir_ / "dev" / name);
  }
  void Mounts(const std::string& table) { std::ofstream(paths_.MountsFile) << table; }

  void RemoveNode(const std::string& name) { fs::remove(dir_ / "dev" / name); }
  std::string Dev(const std::string& name) const { return (dir_ / "dev" / name).string(); }
  const TXPlatformPaths& Paths() const { return paths_; }

 private:
  static void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }
  void Node(const std::string& name) { std::ofstream(dir_ / "dev" / name) << ""; }

  test::TempDir dir_;
  TXPlatformPaths paths_;
};

void BuildMachine(FakeMachine& machine) {
  machine.Disk("sda", 500118192, "0", "pci0000:00/ata1/host0/block", "ATA", "Samsung SSD 860");
  machine.Partition("sda", "sda1", 1048576);
  machine.Partition("sda", "sda2", 499068928);
  machine.Disk("sdb", 15523840, "0", "pci0000:00/usb1/1-2/host6/block", "Generic ", "SD Reader");
  machine.Partition("sdb", "sdb1", 15523840);
  machine.Label("CANON\\x20DC", "sdb1");
  machine.Disk("sdd", 0, "1", "", "Generic", "Card Reader");
  machine.Disk("mmcblk0", 31116288);
  machine.Partition("mmcblk0", "mmcblk0p1", 31114240);
  machine.Disk("loop0", 0);
  machine.Disk("loop2", 2048);
  machine.Disk("loop10", 4096);
  machine.Disk("nbd0", 8192);
  machine.Disk("sr0", 0, "1");
  machine.Disk("sdc", 1000);
  machine.RemoveNode("sdc");
}

using test::Find;
using test::Names;

TEST(DriveListTest, ListsDisksWithTheirPartitionsInNaturalOrder) {
  FakeMachine machine;
  BuildMachine(machine);
  auto drives = EnumerateDrives(machine.Paths());
  EXPECT_EQ(Names(drives),
            (std::vector<std::string>{"loop2", "loop10", "mmcblk0", "mmcblk0p1", "nbd0", "sda",
                                      "sda1", "sda2", "sdb", "sdb1", "sdc", "sdd", "sr0"}))
      << "an unattached loop device is left out";
  EXPECT_EQ(Find(drives, "sdb1").Disk, "sdb");
  EXPECT_EQ(Find(drives, "sdb1").DevicePath, machine.Dev("sdb1"));
  EXPECT_EQ(Find(drives, "sda2").Size, 499068928ll * 512);
}

TEST(DriveListTest, TellsTheKindOfEachDrive) {
  FakeMachine machine;
  BuildMachine(machine);
  auto drives = EnumerateDrives(machine.Paths());
  EXPECT_EQ(Find(drives, "sda").Type, TXDriveType::dtFixed);
  EXPECT_EQ(Find(drives, "sda2").Type, TXDriveType::dtFixed);
  EXPECT_EQ(Find(drives, "sdb").Type, TXDriveType::dtRemovable) << "on USB";
  EXPECT_EQ(Find(drives, "sdb1").Type, TXDriveType::dtRemovable);
  EXPECT_EQ(Find(drives, "sdd").Type, TXDriveType::dtRemovable) << "removable flag";
  EXPECT_EQ(Find(drives, "mmcblk0p1").Type, TXDriveType::dtRemovable) << "SD slot";
  EXPECT_EQ(Find(drives, "loop2").Type, TXDriveType::dtFixed) << "a loop device is no RAM disk";
  EXPECT_EQ(Find(drives, "loop2").Medium, TXMediumKind::mkLoop);
  EXPECT_EQ(Find(drives, "nbd0").Type, TXDriveType::dtRemote);
  EXPECT_EQ(Find(drives, "sr0").Type, TXDriveType::dtCDROM);
  EXPECT_EQ(Find(drives, "sdc").Type, TXDriveType::dtNoRoot) << "no device node";
}

TEST(DriveListTest, TellsWhatADriveIsAndHowItIsConnected) {
  FakeMachine machine;
  BuildMachine(machine);
  machine.Backing("loop2", "/home/ann/cards/canon.img");
  machine.Disk("vda", 41943040, "0", "pci0000:00/0000:00:02.0/virtio1/block", "0x1af4");
  auto drives = EnumerateDrives(machine.Paths());
  const TXDriveInfo& card = Find(drives, "sdb1");
  EXPECT_EQ(card.Label, "CANON DC");
  EXPECT_EQ(card.PartitionNumber, 1u);
  EXPECT_EQ(card.Medium, TXMediumKind::mkSDCard) << "the reader's model names the card";
  EXPECT_EQ(card.Bus, "usb");
  EXPECT_EQ(card.Model, "Generic SD Reader");
  EXPECT_TRUE(Find(drives, "sdb").HasPartitions);
  EXPECT_FALSE(Find(drives, "sdd").HasPartitions);
  EXPECT_EQ(Find(drives, "sdd").Medium, TXMediumKind::mkMemoryCard);
  EXPECT_EQ(Find(drives, "mmcblk0").Bus, "sdio");
  EXPECT_EQ(Find(drives, "mmcblk0").Medium, TXMediumKind::mkSDCard);
  EXPECT_EQ(Find(drives, "sda").Medium, TXMediumKind::mkHardDisk);
  EXPECT_EQ(Find(drives, "sda").Bus, "ata");
  EXPECT_EQ(Find(drives, "loop2").BackingFile, "/home/ann/cards/canon.img");
  EXPECT_EQ(Find(drives, "vda").Model, "") << "a bare vendor number names nothing";
  EXPECT_EQ(Find(drives, "vda").Medium, TXMediumKind::mkVirtualDisk);
  EXPECT_EQ(Find(drives, "vda").Bus, "virtio");
}

TEST(DriveListTest, SelectsTheFirstCardAndNeverTheSystemDisk) {
  FakeMachine machine;
  BuildMachine(machine);
  TXDriveList list(machine.Paths());
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Refresh();
  ASSERT_GE(list.DefaultIndex(), 0);
  EXPECT_EQ(list.AllDrives()[static_cast<size_t>(list.DefaultIndex())].Name, "sda2");
  EXPECT_EQ(list.SelectedRoot(), machine.Dev("mmcblk0")) << "the whole card in the SD slot";
  EXPECT_EQ(list.SelectedDrive(), machine.Dev("mmcblk0"));
  EXPECT_EQ(changes, 1);

  TXDriveList removable(machine.Paths(), {TXDriveType::dtRemovable});
  removable.Refresh();
  EXPECT_EQ(Names(removable.ShownDrives()),
            (std::vector<std::string>{"mmcblk0", "mmcblk0p1", "sdb", "sdb1", "sdd"}));
  EXPECT_EQ(removable.SelectedIndex(), 0);
  EXPECT_EQ(removable.SelectedRoot(), machine.Dev("mmcblk0"));

  removable.Select(3);
  removable.SetDriveTypes({TXDriveType::dtRemovable, TXDriveType::dtFixed});
  EXPECT_EQ(removable.SelectedRoot(), machine.Dev("sdb1"))
      << "the selection stays when still shown";
  removable.SetDriveTypes({TXDriveType::dtCDROM});
  EXPECT_EQ(removable.SelectedIndex(), -1);
  EXPECT_EQ(removable.SelectedRoot(), "");
}

TEST(DriveListTest, WithoutACardNothingIsSelected) {
  FakeMachine machine;
  machine.Disk("sda", 500118192, "0", "pci0000:00/ata1/host0/block", "ATA", "Samsung SSD 860");
  machine.Partition("sda", "sda2", 499068928);
  machine.Disk("sdd", 0, "1", "pci0000:00/usb1/1-3/host7/block", "Generic", "Card Reader");
  machine.Disk("loop0", 2048);
  TXDriveList list(machine.Paths());
  list.Refresh();
  EXPECT_EQ(list.ShownDrives().size(), 4u);
  EXPECT_EQ(list.SelectedIndex(), -1) << "neither the system disk, an empty reader nor a loop";
  EXPECT_EQ(list.SelectedRoot(), "");
}

TEST(DriveListTest, TheSystemDiskIsMarkedWithAllItsPartitions) {
  FakeMachine machine;
  BuildMachine(machine);
  machine.Disk("sde", 2097152, "1", "pci0000:00/usb1/1-4/host8/block", "Kingston", "DataTraveler");
  machine.Partition("sde", "sde1", 2095104);
  machine.Disk("dm-0", 400000000);
  machine.Slave("dm-0", "sde1");
  machine.Mounts(
      "/dev/sda2 / ext4 rw 0 0\n/dev/mapper/home /home ext4 rw 0 0\n"
      "/dev/sdb1 /media/ann/CANON\\040DC vfat rw 0 0\n");
  machine.Link("mapper/home", "../dm-0");
  std::vector<TXDriveInfo> drives = EnumerateDrives(machine.Paths());
  EXPECT_EQ(MarkSystemDrives(drives, machine.Paths()), "sda2");
  for (const char* name : {"sda", "sda1", "sda2", "sde", "sde1"})
    EXPECT_TRUE(Find(drives, name).System) << name;
  for (const char* name : {"sdb", "sdb1", "mmcblk0", "sdd"})
    EXPECT_FALSE(Find(drives, name).System) << name << ": a mounted card is no system disk";
  TXDriveList list(machine.Paths(), {TXDriveType::dtRemovable});
  list.Refresh();
  EXPECT_EQ(list.SelectedRoot(), machine.Dev("mmcblk0"));
}

TEST(DriveListTest, AnotherSourceOfDrivesIsMarkedAndSelectedTheSameWay) {
  FakeMachine machine;
  TXDriveInfo system;
  system.Name = "nvme0n1p2";
  system.DevicePath = "/dev/nvme0n1p2";
  system.Disk = "nvme0n1";
  system.Type = TXDriveType::dtFixed;
  TXDriveInfo card;
  card.Name = "sdx";
  card.DevicePath = "/dev/sdx";
  card.Type = TXDriveType::dtRemovable;
  card.Size = 1 << 30;
  machine.Mounts("/dev/nvme0n1p2 / ext4 rw 0 0\n");
  TXDriveEnumeratorScope source([&](const TXPlatformPaths&) {
    return std::vector<TXDriveInfo>{system, card};
  });
  TXDriveList list(machine.Paths());
  list.Refresh();
  EXPECT_EQ(list.SelectedRoot(), "/dev/sdx");
  EXPECT_TRUE(list.AllDrives()[0].System);
  EXPECT_EQ(list.DefaultIndex(), 0);
  EXPECT_EQ(ListDrives(machine.Paths()).size(), 2u);
}

TEST(DriveListTest, AnEmptyMachineSelectsNothing) {
  FakeMachine machine;
  TXDriveList list(machine.Paths());
  list.Refresh();
  EXPECT_TRUE(list.AllDrives().empty());
  EXPECT_EQ(list.DefaultIndex(), -1);
  EXPECT_EQ(list.SelectedRoot(), "");
}

TEST(DriveListTest, EnumeratesThisMachine) {
  auto drives = EnumerateDrives();
  for (const TXDriveInfo& drive : drives) {
    EXPECT_TRUE(drive.DevicePath.starts_with("/dev/"));
    EXPECT_FALSE(drive.Model.starts_with("0x")) << drive.Model;
  }
  std::string system = SystemDriveName(drives);
  if (!system.empty()) {
    EXPECT_NE(Find(drives, system).Type, TXDriveType::dtRAMDISK);
    TXDriveList list;
    list.Refresh();
    if (list.SelectedIndex() >= 0) {
      EXPECT_FALSE(list.ShownDrives()[static_cast<size_t>(list.SelectedIndex())].System);
    }
  }
}

}  // namespace
}  // namespace kova
