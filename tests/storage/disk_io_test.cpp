#include "storage/disk_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "framework/error_data.h"
#include "ondisk/fat_boot_sector.h"
#include "storage/platform_volume.h"
#include "storage/sub_stream.h"
#include "support/fat_images.h"
#include "support/faulty_device.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

TXDiskInfoRecord TrailerRecord() {
  TXDiskInfoRecord record;
  record.VolumeSerial = 0x0C0FFEE0;
  record.VolumeMaxLength = 255;
  record.VolumeName = "EOS_DIGITAL";
  record.FileSystem = "FAT32";
  record.SectorSize = 512;
  record.ClusterSize = 32768;
  record.TotalClusters = 1000;
  record.FreeClusters = 400;
  return record;
}

class DiskIOTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearThreadError();
    raw_ = test::NoiseBytes(3 * kMediumWindowSize + 777, 41);
  }

  // An image as the image copier writes it: the raw card, then the trailer.
  std::filesystem::path ImageWithTrailer(const std::vector<uint8_t>& raw,
                                         const TXDiskInfoRecord& info) {
    auto path = dir_ / "card.bin";
    TXMemoryStream image(raw);
    image.SetPosition(image.Size());
    TXDiskIO drive;
    drive.DiskInfo = info;
    drive.WriteDiskInfo(image);
    test::WriteFileBytes(path, image.Bytes());
    return path;
  }

  test::TempDir dir_;
  std::vector<uint8_t> raw_;
};

TEST_F(DiskIOTest, AnImageFileTakesItsVolumeFactsFromTheTrailer) {
  auto path = ImageWithTrailer(raw_, TrailerRecord());
  TXFileDiskIO input;
  ASSERT_TRUE(input.Open(path.string(), ioRead));
  const TXDiskInfoRecord& info = input.DiskInfo;
  EXPECT_EQ(info.VolumeName, "EOS_DIGITAL");
  EXPECT_EQ(info.FileSystem, "FAT32");
  EXPECT_EQ(info.VolumeSerial, 0x0C0FFEE0u);
  EXPECT_EQ(info.ClusterSize, 32768u);
  EXPECT_EQ(info.TotalClusters, 1000);
  EXPECT_EQ(info.FreeClusters, 400);
  EXPECT_EQ(info.UnitSize(), 32768);
  auto fileSize = static_cast<int64_t>(std::filesystem::file_size(path));
  EXPECT_EQ(info.DiskSize, fileSize);
  EXPECT_EQ(input.Stream()->Size(), fileSize);
  EXPECT_EQ(info.RootPath, path.string());
  std::vector<uint8_t> first(raw_.size());
  input.Stream()->ReadBuffer(first.data(), static_cast<int64_t>(first.size()));
  EXPECT_EQ(first, raw_) << "the card's bytes start at offset 0";
}

TEST_F(DiskIOTest, APlainRawImageHasOnlyItsSize) {
  auto path = dir_ / "raw.bin";
  test::WriteFileBytes(path, raw_);
  TXFileDiskIO input;
  ASSERT_TRUE(input.Open(path.string()));
  EXPECT_EQ(input.DiskInfo.DiskSize, static_cast<int64_t>(raw_.size()));
  EXPECT_EQ(input.DiskInfo.TotalSpace, static_cast<int64_t>(raw_.size()));
  EXPECT_EQ(input.DiskInfo.ClusterSize, 0u);
  EXPECT_EQ(input.DiskInfo.UnitSize(), 1024);
  EXPECT_TRUE(input.DiskInfo.FileSystem.empty());
}

TEST_F(DiskIOTest, TheLastTagOfTheFileEndIsTheTrailer) {
  std::string decoy = "<xml>\r\n<file_system>NTFS</file_system><cluster_size>4096</cluster_size>";
  std::copy(decoy.begin(), decoy.end(), raw_.end() - 20000);
  auto path = ImageWithTrailer(raw_, TrailerRecord());
  TXFileDiskIO input;
  ASSERT_TRUE(input.Open(path.string()));
  EXPECT_EQ(input.DiskInfo.FileSystem, "FAT32");
  EXPECT_EQ(input.DiskInfo.ClusterSize, 32768u);
}

TEST_F(DiskIOTest, ASmallImageIsSearchedWhole) {
  auto path = ImageWithTrailer(test::NoiseBytes(1000, 3), TrailerRecord());
  TXFileDiskIO input;
  ASSERT_TRUE(input.Open(path.string()));
  EXPECT_EQ(input.DiskInfo.VolumeName, "EOS_DIGITAL");
  auto empty = dir_ / "empty.bin";
  test::WriteFileBytes(empty, {});
  ASSERT_TRUE(input.Open(empty.string()));
  EXPECT_EQ(input.DiskInfo.DiskSize, 0);
}

TEST_F(DiskIOTest, FailedOpensLeaveTheInputClosedWithTheReason) {
  TXFileDiskIO input;
  auto path = dir_ / "raw.bin";
  test::WriteFileBytes(path, raw_);
  ASSERT_TRUE(input.Open(path.string()));
  EXPECT_FALSE(input.Open((dir_ / "missing.bin").string()));
  EXPECT_FALSE(input.IsOpen());
  EXPECT_EQ(input.Stream(), nullptr);
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);
  ClearThreadError();
  EXPECT_FALSE(input.Open(dir_.Path().string()));
  EXPECT_EQ(ThreadError().Code, kErrOsError);

  ClearThreadError();
  EXPECT_FALSE(input.Open(path.string(), ioRead | ioWrite));
  EXPECT_EQ(ThreadError().Code, kErrFileAccessDenied);
  TXDiskIO drive;
  EXPECT_FALSE(drive.Open(path.string(), ioWrite));
  EXPECT_EQ(ThreadError().Code, kErrAccessDenied);
  EXPECT_FALSE(drive.IsOpen());
}

TEST_F(DiskIOTest, ADriveExposesItsWholeDevice) {
  auto image = dir_ / "card.img";
  test::WriteFileBytes(image, raw_);
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", image.string(), plan));
  TXDiskIO drive;
  ASSERT_TRUE(drive.Open("/dev/kova-card/"));
  EXPECT_EQ(drive.DiskInfo.DiskSize, static_cast<int64_t>(raw_.size()));
  EXPECT_EQ(drive.DiskInfo.RootPath, "/dev/kova-card");
  EXPECT_EQ(drive.DiskStream()->Size(), drive.DiskInfo.DiskSize);
  EXPECT_EQ(drive.DiskInfo.UnitSize(), 1024) << "no file system and no track length";
  drive.Close();
  EXPECT_FALSE(drive.IsOpen());

  plan->OpenError = ENOMEDIUM;
  EXPECT_FALSE(drive.Open("/dev/kova-card"));
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
}

TEST_F(DiskIOTest, ReadingNeverChangesTheSource) {
  auto path = ImageWithTrailer(raw_, TrailerRecord());
  auto before = test::ReadFileBytes(path);
  auto stamp = std::filesystem::last_write_time(path);
  {
    TXFileDiskIO input;
    ASSERT_TRUE(input.Open(path.string()));
    TXCustomBufStream& stream = *input.Stream();
    std::vector<uint8_t> all(before.size());
    stream.ReadBuffer(all.data(), static_cast<int64_t>(all.size()));
    uint8_t junk[16] = {};
    stream.SetPosition(0);
    EXPECT_EQ(stream.Write(junk, 16), 0);
    EXPECT_THROW(stream.WriteBuffer(junk, 16), EXError);
    EXPECT_EQ(ThreadError().Code, kErrWrite);
    stream.SetSize(10);
    TXSubStream window(&stream, 0, 100, false);
    EXPECT_EQ(window.Write(junk, 16), 0);

    TXDiskIO drive;
    ASSERT_TRUE(drive.Open(path.string()));
    EXPECT_EQ(drive.Stream()->Write(junk, 16), 0);
    EXPECT_EQ(::fcntl(drive.DiskStream()->Device().NativeHandle(), F_GETFL) & O_ACCMODE, O_RDONLY);
  }
  EXPECT_EQ(test::ReadFileBytes(path), before);
  EXPECT_EQ(std::filesystem::last_write_time(path), stamp);
}

// A real block device: a read-only loop device over a formatted card image.
class LoopDevice {
 public:
  explicit LoopDevice(const std::filesystem::path& image) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(
        ::popen(("losetup -r -f --show '" + image.string() + "' 2>/dev/null").c_str(), "r"),
        ::pclose);
    char line[256] = {};
    if (pipe && std::fgets(line, sizeof line, pipe.get())) path_ = line;
    while (!path_.empty() && (path_.back() == '\n' || path_.back() == ' '))
      path_.pop_back();
  }
  ~LoopDevice() {
    if (!path_.empty()) std::system(("losetup -d " + path_ + " 2>/dev/null").c_str());
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Opening a drive reads its boot sector and root folder, never its whole allocation table: the
// free count is read where it is shown. The label is decoded with the run's code page.
TEST_F(DiskIOTest, OpeningADriveReadsNoAllocationTableAndDecodesTheLabelWithItsCodePage) {
  KOVA_FAT_TOOLS_OR_SKIP();
  auto image = dir_ / "card.img";
  test::FatImageOptions options{65536, 32, "KOVA CARD", 0x0A0B0C0D, 1};
  ASSERT_TRUE(test::MakeFatImage(image, options));
  auto photo = dir_ / "DSC_0001.JPG";
  test::WriteFileBytes(photo, test::NoiseBytes(200000, 5));
  ASSERT_TRUE(test::AddFileToImage(image, photo));
  std::vector<uint8_t> bytes = test::ReadFileBytes(image);
  // The root folder's label entry starts with 0x9D: a yen sign in code page 437, Ø in 850.
  const std::string label = "KOVA CARD  \x08";
  auto entry = std::search(bytes.begin() + 512, bytes.end(), label.begin(), label.end());
  ASSERT_NE(entry, bytes.end());
  *entry = 0x9D;
  test::WriteFileBytes(image, bytes);
  const TXBootSector boot(bytes);
  const int64_t table = boot.FatOffset(0);
  ASSERT_GT(boot.FatBytes(), 64 * 1024) << "a table of many sectors";

  auto plan = std::make_shared<TXFaultPlan>();
  plan->LogReads = true;
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", image.string(), plan));
  TXDiskIO drive;
  drive.CodePage = 850;
  ASSERT_TRUE(drive.Open("/dev/kova-card")) << ThreadError().ToString();
  EXPECT_EQ(drive.DiskInfo.VolumeName, "\u00D8OVA CARD");
  EXPECT_EQ(drive.DiskInfo.FileSystem, "FAT32");
  EXPECT_EQ(drive.DiskInfo.TotalClusters, boot.ClusterCount() - 2);
  for (const TXFaultPlan::Range& read : plan->ReadsMade()) {
    // The root folder's chain starts in the table's first sector; nothing after it is read.
    const bool inTable = read.Start < table + boot.FatBytes() && read.Start + read.Size > table;
    EXPECT_FALSE(inTable && read.Start + read.Size > table + 512)
        << "read at " << read.Start << " of " << read.Size;
  }
  ASSERT_TRUE(drive.CountFreeSpace());
  EXPECT_EQ(drive.DiskInfo.FreeClusters, test::FreeClustersByFsck(image));
  EXPECT_EQ(drive.DiskInfo.FreeSpace, drive.DiskInfo.FreeClusters * 512);
}

TEST_F(DiskIOTest, ReadsARealBlockDevice) {
  KOVA_FAT_TOOLS_OR_SKIP();
  auto image = dir_ / "card.img";
  test::FatImageOptions options{20480, 16, "LOOP CARD", 0x0A0B0C0D, 8};
  ASSERT_TRUE(test::MakeFatImage(image, options));
  auto photo = dir_ / "DSC_0001.JPG";
  test::WriteFileBytes(photo, test::NoiseBytes(200000, 5));
  ASSERT_TRUE(test::AddFileToImage(image, photo));
  LoopDevice loop(image);
  if (loop.Path().empty()) GTEST_SKIP() << "no loop device could be set up (losetup needs root)";

  TXDiskIO drive;
  ASSERT_TRUE(drive.Open(loop.Path())) << ThreadError().ToString();
  EXPECT_TRUE(drive.DiskStream()->Device().IsBlockDevice());
  EXPECT_EQ(drive.DiskInfo.DiskSize, static_cast<int64_t>(std::filesystem::file_size(image)));
  EXPECT_EQ(drive.DiskInfo.FileSystem, "FAT");
  EXPECT_EQ(drive.DiskInfo.VolumeName, "LOOP CARD");
  EXPECT_EQ(drive.DiskInfo.VolumeSerial, 0x0A0B0C0Du);
  EXPECT_EQ(drive.DiskInfo.ClusterSize, 4096u);
  EXPECT_EQ(drive.DiskInfo.FreeSpace, 0) << "opening does not count the allocation table";
  ASSERT_TRUE(drive.CountFreeSpace());
  EXPECT_EQ(drive.DiskInfo.FreeSpace, test::FreeBytesByMtools(image));
  auto expected = test::ReadFileBytes(image);
  std::vector<uint8_t> all(expected.size());
  drive.Stream()->ReadBuffer(all.data(), static_cast<int64_t>(all.size()));
  EXPECT_EQ(all, expected);
  EXPECT_TRUE(SameDrive(loop.Path(), loop.Path()));
  EXPECT_FALSE(SameDrive(loop.Path(), dir_.Path().string()));
}

}  // namespace
}  // namespace kova
