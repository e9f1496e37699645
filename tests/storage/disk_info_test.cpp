#include "storage/disk_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include "storage/boot_sector.h"
#include "storage/disk_aspect.h"
#include "storage/platform_device.h"
#include "support/fat_images.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

TXDiskInfoRecord SampleRecord() {
  TXDiskInfoRecord record;
  record.VolumeSerial = 0xDEADBEEF;
  record.VolumeMaxLength = 255;
  record.VolumeName = "Tom & \"Jerry's\" <card>";
  record.FileSystem = "FAT32";
  record.SectorSize = 512;
  record.ClusterSize = 32768;
  record.TotalClusters = 242000;
  record.FreeClusters = 1234;
  return record;
}

TEST(DiskInfoXmlTest, WritesTheTrailerElementsInOrder) {
  TXDiskInfoRecord record;
  record.VolumeSerial = 7;
  record.VolumeName = "A&B";
  record.FileSystem = "FAT";
  record.SectorSize = 512;
  record.ClusterSize = 4096;
  record.TotalClusters = 10;
  record.FreeClusters = 3;
  record.TotalSpace = 999;
  EXPECT_EQ(record.ToXml(),
            "<xml>\r\n<volume_serial>7</volume_serial><volume_max_length>0</volume_max_length>"
            "<volume_name>A&amp;B</volume_name><file_system>FAT</file_system>"
            "<sector_size>512</sector_size><cluster_size>4096</cluster_size>"
            "<total_clusters>10</total_clusters><free_clusters>3</free_clusters>\r\n</xml>");
}

TEST(DiskInfoXmlTest, ReadsBackWhatItWroteAndDerivesTheSizes) {
  TXDiskInfoRecord written = SampleRecord();
  TXDiskInfoRecord read;
  read.RootPath = "stale";
  read.FromXml(written.ToXml());
  EXPECT_EQ(read.VolumeSerial, 0xDEADBEEFu);
  EXPECT_EQ(read.VolumeName, written.VolumeName);
  EXPECT_EQ(read.FileSystem, "FAT32");
  EXPECT_EQ(read.SectorsPerCluster, 64u);
  EXPECT_EQ(read.TotalSpace, 242000ll * 32768);
  EXPECT_EQ(read.DiskSize, read.TotalSpace);
  EXPECT_EQ(read.FreeSpace, 1234ll * 32768);
  EXPECT_EQ(read.UnitSize(), 32768);
  EXPECT_TRUE(read.RootPath.empty()) << "every field is replaced";
}

TEST(DiskInfoXmlTest, AnIncompleteImageSaysHowMuchItHoldsAndAWholeOneSaysNothing) {
  TXDiskInfoRecord written = SampleRecord();
  EXPECT_EQ(written.ToXml().find("copied_bytes"), std::string::npos);
  TXDiskInfoRecord read;
  read.FromXml(written.ToXml());
  EXPECT_EQ(read.CopiedBytes, -1);

  written.CopiedBytes = 0;
  read.FromXml(written.ToXml());
  EXPECT_EQ(read.CopiedBytes, 0);
  written.CopiedBytes = 524288;
  read.FromXml(written.ToXml());
  EXPECT_EQ(read.CopiedBytes, 524288);
  EXPECT_EQ(read.VolumeName, written.VolumeName);
}

TEST(DiskInfoXmlTest, DamagedTrailersGiveZerosNotGarbage) {
  TXDiskInfoRecord record;
  record.FromXml(
      "<xml><sector_size>abc</sector_size><cluster_size>-4096</cluster_size>"
      "<total_clusters>9223372036854775807</total_clusters>"
      "<volume_serial>99999999999</volume_serial><volume_name>open");
  EXPECT_EQ(record.SectorSize, 0u);
  EXPECT_EQ(record.ClusterSize, 0u);
  EXPECT_EQ(record.VolumeSerial, 0u);
  EXPECT_TRUE(record.VolumeName.empty()) << "an element without its closing tag is absent";
  EXPECT_EQ(record.UnitSize(), 1024);

  record.FromXml(
      "<cluster_size>65536</cluster_size><total_clusters>9223372036854775807</total_clusters>");
  EXPECT_EQ(record.TotalSpace, 0) << "an overflowing product";
  record.FromXml("");
  EXPECT_EQ(record, TXDiskInfoRecord());
}

TEST(FormatByteSizeTest, PicksTheUnitByMagnitude) {
  EXPECT_EQ(FormatByteSize(0), "0 bytes");
  EXPECT_EQ(FormatByteSize(1023), "1023 bytes");
  EXPECT_EQ(FormatByteSize(1024), "1.00 KB");
  EXPECT_EQ(FormatByteSize(1048575), "1024.00 KB");
  EXPECT_EQ(FormatByteSize(1048576), "1.00 MB");
  EXPECT_EQ(FormatByteSize(1073741823), "1024.00 MB");
  EXPECT_EQ(FormatByteSize(1073741824), "1.00 GB");
  EXPECT_EQ(FormatByteSize(7948206080), "7.40 GB");
}

class FatVolumeTest : public ::testing::Test {
 protected:
  // Formats a card, puts two files on it and answers its path.
  std::filesystem::path MakeCard(const test::FatImageOptions& options) {
    auto image = dir_ / "card.img";
    EXPECT_TRUE(test::MakeFatImage(image, options));
    auto photo = dir_ / "IMG_0001.JPG";
    test::WriteFileBytes(photo, test::NoiseBytes(300000, 2));
    EXPECT_TRUE(test::AddFileToImage(image, photo));
    auto movie = dir_ / "MVI_0002.MOV";
    test::WriteFileBytes(movie, test::NoiseBytes(123457, 3));
    EXPECT_TRUE(test::AddFileToImage(image, movie));
    return image;
  }

  void ExpectVolume(const std::filesystem::path& image, const test::FatImageOptions& options,
                    const std::string& fileSystem) {
    TXDiskInfoRecord record;
    ASSERT_TRUE(record.QueryVolume(image.string()));
    EXPECT_EQ(record.RootPath, image.string());
    EXPECT_EQ(record.FileSystem, fileSystem);
    EXPECT_EQ(record.VolumeName, options.Label);
    EXPECT_EQ(record.VolumeSerial, options.Serial);
    EXPECT_EQ(record.SectorSize, 512u);
    EXPECT_EQ(record.ClusterSize, 512u * options.SectorsPerCluster);
    EXPECT_EQ(record.UnitSize(), record.ClusterSize);
    EXPECT_EQ(record.TotalSpace, record.TotalClusters * record.ClusterSize);
    EXPECT_EQ(record.FreeSpace, test::FreeBytesByMtools(image));
    EXPECT_EQ(record.FreeSpace, record.FreeClusters * record.ClusterSize);
    EXPECT_EQ(record.DiskSize, static_cast<int64_t>(std::filesystem::file_size(image)));
    EXPECT_EQ(record.VolumeMaxLength, 255u);
  }

  test::TempDir dir_;
};

TEST_F(FatVolumeTest, TellsTheFatKindsAndCountsFreeClustersLikeMtools) {
  KOVA_FAT_TOOLS_OR_SKIP();
  struct Case {
    test::FatImageOptions options;
    std::string fileSystem;
  };
  for (const Case& c : {Case{{2048, 12, "SMALL", 0x0BADCAFE, 2}, "FAT"},
                        Case{{20480, 16, "KOVA CARD", 0x1234ABCD, 4}, "FAT"},
                        Case{{40960, 32, "BIG CARD", 0xFEEDF00D, 1}, "FAT32"}}) {
    SCOPED_TRACE(c.options.FatBits);
    ExpectVolume(MakeCard(c.options), c.options, c.fileSystem);
  }
}

TEST_F(FatVolumeTest, CountsTheTableWhenTheFat32InformationSectorIsDamaged) {
  KOVA_FAT_TOOLS_OR_SKIP();
  test::FatImageOptions options{40960, 32, "BIG CARD", 0xFEEDF00D, 1};
  auto image = MakeCard(options);
  {
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(512);
    file.write("XXXX", 4);
  }
  ExpectVolume(image, options, "FAT32");
}

// Drivers leave the information sector's count stale; fsck.fat counts the table, and so do we.
TEST_F(FatVolumeTest, TheFreeCountIsTheTablesEvenWhenTheInformationSectorIsStale) {
  KOVA_FAT_TOOLS_OR_SKIP();
  test::FatImageOptions options{40960, 32, "BIG CARD", 0xFEEDF00D, 1};
  auto image = MakeCard(options);
  {
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(512 + 488);
    file.write("\x10\x00\x00\x00", 4);  // 16 free clusters, signatures intact
  }
  const int64_t counted = test::FreeClustersByFsck(image);
  ASSERT_GT(counted, 16);
  TXDiskInfoRecord record;
  ASSERT_TRUE(record.QueryVolume(image.string()));
  EXPECT_EQ(record.FreeClusters, counted);
  EXPECT_EQ(record.FreeSpace, counted * record.ClusterSize);
  EXPECT_EQ(test::FreeBytesByMtools(image), 16 * 512) << "mtools believes the stale count";
}

TEST_F(FatVolumeTest, AnUnformattedImageHasNoVolumeFacts) {
  auto image = dir_ / "blank.img";
  test::WriteFileBytes(image, std::vector<uint8_t>(1 << 20, 0));
  TXDiskInfoRecord record;
  ASSERT_TRUE(record.QueryVolume(image.string()));
  EXPECT_TRUE(record.FileSystem.empty());
  EXPECT_EQ(record.ClusterSize, 0u);
  EXPECT_EQ(record.TotalSpace, 0);
  EXPECT_EQ(record.DiskSize, 1 << 20);
  EXPECT_FALSE(TXDiskInfoRecord().QueryVolume((dir_ / "missing.img").string()));
}

TEST_F(FatVolumeTest, AFolderGivesTheSpaceOfItsFileSystem) {
  TXDiskInfoRecord record;
  ASSERT_TRUE(record.QueryVolume(dir_.Path().string()));
  EXPECT_GT(record.TotalSpace, 0);
  EXPECT_GT(record.FreeSpace, 0);
  EXPECT_LE(record.FreeSpace, record.TotalSpace);
  EXPECT_GT(record.ClusterSize, 0u);
  EXPECT_FALSE(record.FileSystem.empty());
}

TEST(FatBootSectorTest, RefusesWhatIsNoFatBootSector) {
  EXPECT_FALSE(TXBootSector(std::vector<uint8_t>(512, 0)).IsPlausible());
  EXPECT_FALSE(TXBootSector(test::NoiseBytes(512, 8)).IsPlausible());
  EXPECT_FALSE(TXBootSector(std::vector<uint8_t>(100, 0xEB)).IsPlausible());
  std::vector<uint8_t> sector(512, 0);
  sector[0] = 0xEB;
  sector[0x0B] = 0x00;  // 0 bytes per sector, as on a damaged card
  sector[0x0D] = 4;
  EXPECT_FALSE(TXBootSector(sector).IsPlausible());
  EXPECT_EQ(TXBootSector(sector).Type(), TXFatType::ftUnknown);
}

}  // namespace
}  // namespace kova
