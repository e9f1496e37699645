#include "drives/udisks_drives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "drives/drive_captions.h"
#include "drives/drive_services.h"
#include "persistence/lg_builtin.h"
#include "storage/drive_list.h"
#include "support/drive_names.h"
#include "udisks_machine.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

using test::Find;
using test::Names;

class UDisksDrivesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { UseBuiltInLanguage(); }

  UDisksDrivesTest() {
    paths.SysRoot = (dir / "sys").string();
    paths.DevRoot = (dir / "dev").string();
    paths.MountsFile = (dir / "mounts").string();
    std::ofstream(paths.MountsFile) << "/dev/nvme0n1p2 / ext4 rw 0 0\n"
                                       "/dev/nvme0n1p1 /boot/efi vfat rw 0 0\n"
                                       "/dev/sdb1 /media/ann/CANON_DC vfat rw 0 0\n";
  }

  test::TempDir dir;
  TXPlatformPaths paths;
  test::PrivateBus bus;
};

TEST_F(UDisksDrivesTest, TheDiskServiceTellsWhatEachDriveIs) {
  test::FakeUDisks service(bus, test::DescribedMachine("/home/ann/cards/canon.img"));
  ASSERT_TRUE(service.Ready()) << bus.Problem();
  const std::vector<TXDriveInfo> drives = EnumerateDrivesOrSysfs(paths, bus.Address());
  EXPECT_EQ(Names(drives), (std::vector<std::string>{"loop0", "nvme0n1", "nvme0n1p1", "nvme0n1p2",
                                                     "sdb", "sdb1", "sdc", "vda"}))
      << "no unattached loop, nothing the service hides";
  const TXDriveInfo& card = Find(drives, "sdb1");
  EXPECT_EQ(card.Disk, "sdb");
  EXPECT_EQ(card.PartitionNumber, 1u);
  EXPECT_EQ(card.Label, "CANON_DC");
  EXPECT_EQ(card.FileSystem, "vfat");
  EXPECT_EQ(card.Medium, TXMediumKind::mkSDCard);
  EXPECT_EQ(card.Type, TXDriveType::dtRemovable);
  EXPECT_EQ(card.DevicePath, "/dev/sdb1");
  const TXDriveInfo& reader = Find(drives, "sdb");
  EXPECT_TRUE(reader.HasPartitions);
  EXPECT_EQ(reader.Size, test::kCardBytes);
  EXPECT_EQ(reader.Model, "Generic SD Reader");
  EXPECT_EQ(reader.Bus, "usb");
  EXPECT_EQ(Find(drives, "sdc").Size, 0) << "no card in the CF reader";
  EXPECT_EQ(Find(drives, "sdc").Medium, TXMediumKind::mkCFCard);
  EXPECT_EQ(Find(drives, "vda").Model, "") << "never a bare vendor number";
  EXPECT_EQ(Find(drives, "nvme0n1").Type, TXDriveType::dtFixed);
  EXPECT_EQ(Find(drives, "loop0").Medium, TXMediumKind::mkLoop);
  EXPECT_EQ(Find(drives, "loop0").BackingFile, "/home/ann/cards/canon.img");
}

TEST_F(UDisksDrivesTest, DrivesAreNamedByWhatTheyAreTheirLabelsAndTheirConnection) {
  test::FakeUDisks service(bus, test::DescribedMachine("/home/ann/cards/canon.img"));
  ASSERT_TRUE(service.Ready()) << bus.Problem();
  TXDriveServices services(true, bus.Address());
  const std::vector<TXDriveInfo> drives = ListDrives(paths);
  auto caption = [&](const std::string& name) { return DriveCaption(Find(drives, name), drives); };
  EXPECT_EQ(caption("sdb"), "SD card 7.40 GB 'CANON_DC' \u2014 Generic SD Reader, USB (/dev/sdb)");
  EXPECT_EQ(caption("sdb1"), "Partition 1 7.40 GB 'CANON_DC' \u2014 FAT (/dev/sdb1)")
      << "a mounted card holds no system file system";
  EXPECT_EQ(caption("sdc"), "CF card, no medium \u2014 Generic CF Reader, USB (/dev/sdc)");
  EXPECT_EQ(caption("nvme0n1"),
            "Hard disk 465.76 GB \u2014 Samsung SSD 970 EVO, holds the system (/dev/nvme0n1)");
  EXPECT_EQ(caption("nvme0n1p1"),
            "Partition 1 512.00 MB 'EFI' \u2014 FAT, holds the system (/dev/nvme0n1p1)");
  EXPECT_EQ(caption("vda"), "Hard disk 20.00 GB (/dev/vda)");
  EXPECT_EQ(caption("loop0"), "Loop device 64.00 MB \u2014 /home/ann/cards/canon.img (/dev/loop0)");
}

TEST_F(UDisksDrivesTest, TheListSelectsTheCardAndNeverTheSystemDisk) {
  test::FakeUDisks service(bus, test::DescribedMachine("/home/ann/cards/canon.img"));
  ASSERT_TRUE(service.Ready()) << bus.Problem();
  TXDriveServices services(true, bus.Address());
  TXDriveList list(paths);
  list.Refresh();
  EXPECT_EQ(list.SelectedRoot(), "/dev/sdb");
  ASSERT_GE(list.DefaultIndex(), 0);
  EXPECT_EQ(list.AllDrives()[static_cast<size_t>(list.DefaultIndex())].Name, "nvme0n1p2");
  for (const TXDriveInfo& drive : list.AllDrives())
    EXPECT_EQ(drive.System, drive.Name.starts_with("nvme0n1")) << drive.Name;
}

TEST_F(UDisksDrivesTest, WithoutTheServiceTheListComesFromSys) {
  fs::create_directories(dir / "sys" / "block" / "mmcblk0");
  std::ofstream(dir / "sys" / "block" / "mmcblk0" / "size") << "31116288\n";
  fs::create_directories(dir / "dev");
  std::ofstream(dir / "dev" / "mmcblk0").close();
  TXDriveServices services(true, bus.Address());
  const std::vector<TXDriveInfo> drives = ListDrives(paths);
  EXPECT_EQ(Names(drives), std::vector<std::string>{"mmcblk0"}) << "nobody serves udisks2";
  EXPECT_EQ(Names(EnumerateDrivesOrSysfs(paths, "unix:path=" + (dir / "no-bus").string())),
            std::vector<std::string>{"mmcblk0"})
      << "no bus at all";
}

}  // namespace
}  // namespace kova
