#include "storage/drive_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

std::vector<std::string> Names(const std::vector<TXDriveInfo>& drives) {
  std::vector<std::string> names;
  for (const TXDriveInfo& drive : drives)
    names.push_back(drive.Name);
  return names;
}

const TXDriveInfo& Find(const std::vector<TXDriveInfo>& drives, const std::string& name) {
  for (const TXDriveInfo& drive : drives) {
    if (drive.Name == name) return drive;
  }
  throw std::runtime_error("no drive " + name);
}

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
  EXPECT_EQ(Find(drives, "loop2").Type, TXDriveType::dtRAMDISK);
  EXPECT_EQ(Find(drives, "nbd0").Type, TXDriveType::dtRemote);
  EXPECT_EQ(Find(drives, "sr0").Type, TXDriveType::dtCDROM);
  EXPECT_EQ(Find(drives, "sdc").Type, TXDriveType::dtNoRoot) << "no device node";
}

TEST(DriveListTest, NamesDrivesAsAFileManagerDoes) {
  FakeMachine machine;
  BuildMachine(machine);
  auto drives = EnumerateDrives(machine.Paths());
  EXPECT_EQ(Find(drives, "sdb1").Label, "CANON DC");
  EXPECT_EQ(Find(drives, "sdb1").Caption,
            "CANON DC (" + machine.Dev("sdb1") + ", 7.40 GB, Generic SD Reader)");
  EXPECT_EQ(Find(drives, "sdb").Caption, "Generic SD Reader (" + machine.Dev("sdb") + ", 7.40 GB)");
  EXPECT_EQ(Find(drives, "sdd").Caption,
            "Generic Card Reader (" + machine.Dev("sdd") + ", no medium)");
  EXPECT_EQ(Find(drives, "loop2").Caption, "RAM disk (" + machine.Dev("loop2") + ", 1.00 MB)");
}

TEST(DriveListTest, SelectsTheSystemDriveOnlyWhenFixedDrivesAreShown) {
  FakeMachine machine;
  BuildMachine(machine);
  TXDriveList list(machine.Paths());
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Refresh();
  ASSERT_GE(list.DefaultIndex(), 0);
  EXPECT_EQ(list.AllDrives()[static_cast<size_t>(list.DefaultIndex())].Name, "sda2");
  EXPECT_EQ(list.SelectedRoot(), machine.Dev("sda2"));
  EXPECT_EQ(list.SelectedDrive(), machine.Dev("sda2"));
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
    EXPECT_FALSE(drive.Caption.empty());
    EXPECT_TRUE(drive.DevicePath.starts_with("/dev/"));
  }
  std::string system = SystemDriveName(drives);
  if (!system.empty()) {
    EXPECT_NE(Find(drives, system).Type, TXDriveType::dtRAMDISK);
  }
}

}  // namespace
}  // namespace kova
