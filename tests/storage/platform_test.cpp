#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <chrono>
#include <fstream>

#include "storage/platform_device.h"
#include "storage/platform_files.h"
#include "storage/platform_volume.h"
#include "support/faulty_device.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

class PlatformDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = test::NoiseBytes(5000, 21);
    image_ = dir_ / "card.img";
    test::WriteFileBytes(image_, bytes_);
  }

  test::TempDir dir_;
  std::vector<uint8_t> bytes_;
  std::filesystem::path image_;
};

TEST_F(PlatformDeviceTest, OpensARegularFileReadOnly) {
  TXDeviceOpening opening = OpenDevice(image_.string());
  ASSERT_TRUE(opening.Device);
  IXBlockDevice& device = *opening.Device;
  EXPECT_EQ(device.Size(), 5000);
  EXPECT_EQ(device.SectorSize(), 512u);
  EXPECT_FALSE(device.IsBlockDevice());
  int fd = device.NativeHandle();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::fcntl(fd, F_GETFL) & O_ACCMODE, O_RDONLY);
  std::vector<uint8_t> got(1000);
  int error = 0;
  EXPECT_EQ(device.ReadAt(4500, got.data(), 1000, error), 500);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 500, bytes_.begin() + 4500));
  EXPECT_EQ(device.ReadAt(6000, got.data(), 10, error), 0);
}

TEST_F(PlatformDeviceTest, ReportsWhyADeviceDoesNotOpen) {
  EXPECT_EQ(OpenDevice((dir_ / "none").string()).Error, ENOENT);
  EXPECT_EQ(OpenDevice(dir_.Path().string()).Error, EISDIR);
}

TEST_F(PlatformDeviceTest, AnOpenerScopePutsDevicesInPlaceAndGivesThemBack) {
  auto plan = std::make_shared<TXFaultPlan>();
  {
    TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", image_.string(), plan));
    TXDeviceOpening faulty = OpenDevice("/dev/kova-card");
    ASSERT_TRUE(faulty.Device);
    EXPECT_EQ(faulty.Device->Path(), "/dev/kova-card");
    EXPECT_EQ(faulty.Device->Size(), 5000);
    EXPECT_TRUE(OpenDevice(image_.string()).Device) << "other paths reach the platform";
  }
  EXPECT_EQ(OpenDevice("/dev/kova-card").Error, ENOENT);
}

TEST_F(PlatformDeviceTest, AFaultyDeviceFailsAsPlanned) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->BadRanges.push_back({1024, 512});
  plan->VanishAfterReads = 3;
  plan->ReadDelay = std::chrono::milliseconds(20);
  TXDeviceOpening opening = TXFaultyDevice::Open("/dev/kova-card", image_.string(), plan);
  ASSERT_TRUE(opening.Device);
  std::vector<uint8_t> got(512);
  int error = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(opening.Device->ReadAt(0, got.data(), 512, error), 512);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
  EXPECT_EQ(opening.Device->ReadAt(1000, got.data(), 100, error), -1);
  EXPECT_EQ(error, EIO);
  EXPECT_EQ(opening.Device->ReadAt(1536, got.data(), 100, error), 100);
  EXPECT_EQ(opening.Device->ReadAt(0, got.data(), 100, error), -1);
  EXPECT_EQ(error, ENODEV);
  EXPECT_EQ(plan->Reads, 4);

  plan->OpenError = ENOMEDIUM;
  EXPECT_EQ(TXFaultyDevice::Open("/dev/kova-card", image_.string(), plan).Error, ENOMEDIUM);
}

TEST(MountsTest, ReadsTheTableAndFindsTheMountHoldingAPath) {
  test::TempDir dir;
  auto table = dir / "mounts";
  std::ofstream(table) << "/dev/vda / ext4 rw 0 0\n"
                          "proc /proc proc rw 0 0\n"
                          "/dev/sdb1 /media/user/MY\\040CARD vfat rw 0 0\n"
                          "/dev/sdc1 /media/user/MY vfat rw 0 0\n";
  auto entries = ReadMounts(table.string());
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[2].MountPoint, "/media/user/MY CARD");
  EXPECT_EQ(entries[2].Type, "vfat");
  TXPlatformPaths paths;
  paths.MountsFile = table.string();
  EXPECT_EQ(MountHolding("/media/user/MY CARD/DCIM", paths)->Source, "/dev/sdb1");
  EXPECT_EQ(MountHolding("/media/user/MY/DCIM", paths)->Source, "/dev/sdc1");
  EXPECT_EQ(MountHolding("/media/user/MYSELF", paths)->Source, "/dev/vda");
  EXPECT_TRUE(ReadMounts((dir / "none").string()).empty());
}

TEST(SameDriveTest, TellsWhetherTwoPathsShareADisk) {
  test::TempDir dir;
  auto file = dir / "card.img";
  test::WriteFileBytes(file, {1, 2, 3});
  EXPECT_TRUE(SameDrive(file.string(), dir.Path().string()));
  EXPECT_TRUE(SameDrive(file.string(), (dir / "not" / "yet" / "made").string()))
      << "a folder still to be created counts where it will be";
  EXPECT_FALSE(SameDrive(file.string(), "/proc/self"));
  EXPECT_TRUE(DriveOf(file.string()).has_value());
  EXPECT_FALSE(DriveOf("").has_value());
}

TEST(SameDriveTest, APartitionCountsAsItsWholeDisk) {
  test::TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteFileBytes(file, {1});
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  // The kernel's view: the file system holding the file is partition 1 of disk 259:7.
  auto sys = dir / "sys";
  auto partition = sys / "block" / "card" / "card1";
  std::filesystem::create_directories(partition);
  std::ofstream(partition / "partition") << "1\n";
  std::ofstream(sys / "block" / "card" / "dev") << "259:7\n";
  std::filesystem::create_directories(sys / "dev" / "block");
  std::filesystem::create_symlink(partition, sys / "dev" / "block" /
                                                 (std::to_string(major(info.st_dev)) + ":" +
                                                  std::to_string(minor(info.st_dev))));
  TXPlatformPaths paths;
  paths.SysRoot = sys.string();
  EXPECT_EQ(DriveOf(file.string(), paths), makedev(259, 7));
}

TEST(PlatformFilesTest, CreatesFoldersAndAnswersWhatExists) {
  test::TempDir dir;
  auto nested = dir / "a" / "b" / "c";
  int error = 0;
  EXPECT_TRUE(CreateFolderWithParents(nested.string(), error));
  EXPECT_TRUE(FolderExists(nested.string()));
  EXPECT_FALSE(FileExists(nested.string()));
  EXPECT_TRUE(CreateFolderWithParents(nested.string(), error)) << "an existing folder is fine";

  auto file = dir / "a" / "photo.jpg";
  test::WriteFileBytes(file, {1});
  EXPECT_TRUE(FileExists(file.string()));
  EXPECT_FALSE(FolderExists(file.string()));
  EXPECT_FALSE(CreateFolderWithParents((file / "sub").string(), error));
  EXPECT_NE(error, 0);
  EXPECT_FALSE(CreateFolderWithParents("", error));

  EXPECT_GT(FreeSpaceOf((dir / "x" / "y").string()), 0);
}

}  // namespace
}  // namespace kova
