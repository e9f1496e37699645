#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "fat/card_fixture.h"
#include "fat/fat_disk.h"
#include "fat/fat_recovery_fixture.h"
#include "fat/fat_table.h"
#include "framework/error_data.h"
#include "storage/disk_io.h"
#include "support/fat_images.h"
#include "support/faulty_device.h"
#include "support/test_files.h"

namespace kova {
namespace {

using test::Clusters;
using test::FixtureCard;

// Overwrites bytes of a saved image in place.
void Patch(const std::filesystem::path& image, uint64_t offset, std::vector<uint8_t> bytes) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void PutU16(TXBootSector& boot, size_t at, uint32_t v) {
  boot.Bytes()[at] = v & 0xFF;
  boot.Bytes()[at + 1] = (v >> 8) & 0xFF;
}

void PutU32(TXBootSector& boot, size_t at, uint32_t v) {
  PutU16(boot, at, v & 0xFFFF);
  PutU16(boot, at + 2, v >> 16);
}

void PutText(TXBootSector& boot, size_t at, const char* text) {
  std::memcpy(boot.Bytes().data() + at, text, std::strlen(text));
}

// Opens the image and loads its volume as the recovery does: boot sector first, then the table.
struct LoadedVolume {
  explicit LoadedVolume(const std::filesystem::path& image) {
    opened = io.Open(image.string());
    if (!opened) return;
    io.Stream()->Read(fat.BootSector().Bytes().data(), TXBootSector::kSize);
    loaded = fat.Load(*io.Stream());
  }
  TXFileDiskIO io;
  TXFAT fat;
  bool opened = false;
  bool loaded = false;
};

TEST(FatBootSector, ArithmeticPlacesTablesRootAndClustersWhereTheFormatterPutThem) {
  for (const auto& options : {test::Fat16Options(), test::Fat32Options()}) {
    FixtureCard card(options);
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Save());
    LoadedVolume volume(card.Image());
    ASSERT_TRUE(volume.loaded);
    const TXBootSector& boot = volume.fat.BootSector();
    const mkcard::ManifestVolume& expected = card.Manifest().volume;
    EXPECT_EQ(boot.Type(),
              options.type == mkcard::FatType::kFat32 ? TXFatType::ftFat32 : TXFatType::ftFat16);
    EXPECT_EQ(boot.ClusterBytes(), expected.cluster_bytes);
    EXPECT_EQ(boot.FatOffset(0), static_cast<int64_t>(expected.fat_offset));
    EXPECT_EQ(boot.FatOffset(1) - boot.FatOffset(0), int64_t{expected.sectors_per_fat} * 512);
    EXPECT_EQ(boot.RootDirOffset(), static_cast<int64_t>(expected.root_dir_offset));
    EXPECT_EQ(boot.DataOffset(), static_cast<int64_t>(expected.data_offset));
    EXPECT_EQ(boot.ClusterOffset(7), card.ClusterOffset(7));
    EXPECT_EQ(boot.ClusterCount(), expected.cluster_count + 2);
    EXPECT_EQ(volume.fat.ClusterCount(), boot.ClusterCount());
    EXPECT_EQ(boot.VolumeLabel(), "KOVA TEST");
    EXPECT_EQ(boot.VolumeSerial(), options.serial);
  }
}

TEST(FatBootSector, RealFormatterVolumesOfTheSampleFolder) {
  KOVA_SAMPLE_OR_SKIP(fat16, "fat16_mkfs_superfloppy.img");
  LoadedVolume volume(fat16);
  ASSERT_TRUE(volume.loaded);
  const TXBootSector& boot = volume.fat.BootSector();
  EXPECT_EQ(boot.Type(), TXFatType::ftFat16);
  EXPECT_EQ(boot.ClusterBytes(), 512);
  EXPECT_EQ(boot.VolumeSerial(), 0x12345678u);
  EXPECT_EQ(boot.VolumeLabel(), "Test!");
  // 5000 sectors: the data area and 2 reserved entries.
  EXPECT_EQ(boot.ClusterCount(), 5000 - boot.DataOffset() / 512 + 2);

  LoadedVolume fat12(test::SamplesDir() / "fat12_mkfs_superfloppy.img");
  EXPECT_EQ(fat12.fat.BootSector().Type(), TXFatType::ftFat12);
  EXPECT_TRUE(fat12.loaded);
}

TEST(FatBootSector, TypeComesFromTheTypeTextAloneAndIsCaseSensitive) {
  TXBootSector boot;
  PutU16(boot, 11, 512);
  boot.Bytes()[13] = 1;
  PutU32(boot, 32, 40 << 20 >> 9);  // a cluster count that calls for FAT32
  PutText(boot, 54, "FAT16   ");
  EXPECT_EQ(boot.Type(), TXFatType::ftFat16);
  PutText(boot, 54, "FAT12\0  ");
  EXPECT_EQ(boot.Type(), TXFatType::ftFat12);
  PutText(boot, 54, "fat16   ");
  EXPECT_EQ(boot.Type(), TXFatType::ftUnknown);
  PutText(boot, 82, " FAT32\t ");
  EXPECT_EQ(boot.Type(), TXFatType::ftFat32);
  PutText(boot, 82, "FAT32X  ");
  EXPECT_EQ(boot.Type(), TXFatType::ftUnknown);
}

TEST(FatBootSector, ZeroSectorsPerClusterGivesNoClustersAndZeroSectorSizeNoTable) {
  FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  Patch(card.Image(), 13, {0});
  LoadedVolume noClusters(card.Image());
  EXPECT_EQ(noClusters.fat.BootSector().ClusterCount(), 0);
  EXPECT_TRUE(noClusters.loaded);
  EXPECT_EQ(noClusters.fat.ClusterCount(), 0);
  EXPECT_EQ(noClusters.fat.NextAvailableCluster(0), 0u);

  Patch(card.Image(), 11, {0, 0});
  Patch(card.Image(), 13, {8});
  LoadedVolume noSectors(card.Image());
  EXPECT_FALSE(noSectors.loaded);
  EXPECT_EQ(noSectors.fat.ClusterCount(), 0);
}

TEST(FatBootSector, DamagedCountsFailTheLoadInsteadOfExhaustingMemory) {
  FixtureCard card(test::Fat32Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  // Two billion clusters in an allocation table of matching size.
  Patch(card.Image(), 13, {1});
  Patch(card.Image(), 32, {0xFF, 0xFF, 0xFF, 0x7F});
  Patch(card.Image(), 36, {0x00, 0x00, 0x00, 0x04});
  LoadedVolume huge(card.Image());
  EXPECT_FALSE(huge.loaded);
  EXPECT_EQ(huge.fat.ClusterCount(), 0);
  EXPECT_EQ(ThreadError().Code, kErrNone);

  // A sane cluster count that its own allocation table could not hold.
  Patch(card.Image(), 32, {0x00, 0x00, 0x05, 0x00});
  Patch(card.Image(), 36, {0x01, 0x00, 0x00, 0x00});
  LoadedVolume tooSmall(card.Image());
  EXPECT_FALSE(tooSmall.loaded);
}

class FatTableTest : public ::testing::Test {
 protected:
  // A FAT16 card in 4 KiB clusters: a 10000-byte photo on clusters 5, 6 and 9, a filler on 7-8,
  // a bad cluster 12 and everything else free.
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(
        card.Builder().WriteFile("FILLER.DAT", mkcard::MakeData(8192, 3), Clusters({7, 8})));
    KOVA_CARD_OK(
        card.Builder().WriteFile("IMG_0001.JPG", mkcard::MakeData(10000, 4), Clusters({5, 6, 9})));
    KOVA_CARD_OK(card.Builder().MarkBad({12}));
    KOVA_CARD_OK(card.Save());
  }

  uint64_t TableOffset() const { return card.Manifest().volume.fat_offset; }

  FixtureCard card{test::Fat16Options()};
};

TEST_F(FatTableTest, ChainsBecomeClusterStates) {
  LoadedVolume volume(card.Image());
  ASSERT_TRUE(volume.loaded);
  const TXFAT& fat = volume.fat;
  EXPECT_EQ(fat.ClusterState(0), clStart);
  EXPECT_EQ(fat.ClusterState(1), clStart);
  EXPECT_EQ(fat.ClusterState(5), clNext);
  EXPECT_EQ(fat.NextCluster(5), 6u);
  EXPECT_EQ(fat.NextCluster(6), 9u);
  EXPECT_EQ(fat.ClusterState(9), clLast);
  EXPECT_EQ(fat.NextCluster(9), 0u);
  EXPECT_EQ(fat.Cluster(8).State, clLast);
  EXPECT_EQ(fat.ClusterState(12), clBad);
  EXPECT_EQ(fat.ClusterState(10), clAvailable);
  EXPECT_EQ(fat.Cluster(10).Next, 0u);
  // Outside the table: free, no link.
  EXPECT_EQ(fat.ClusterState(4000000), clAvailable);
  EXPECT_EQ(fat.NextCluster(4000000), 0u);
}

TEST_F(FatTableTest, NextAvailableClusterSkipsAllocatedBadAndFolderClusters) {
  LoadedVolume volume(card.Image());
  TXFAT& fat = volume.fat;
  // The root folder of a FAT16 card has no cluster, so 2 to 4 are free.
  EXPECT_EQ(fat.NextAvailableCluster(0), 2u);
  EXPECT_EQ(fat.NextAvailableCluster(4), 10u);
  EXPECT_EQ(fat.NextAvailableCluster(11), 13u);
  fat.SetAvailableFolder(13);
  EXPECT_EQ(fat.ClusterState(13), clAvailableFolder);
  EXPECT_EQ(fat.NextAvailableCluster(11), 14u);
  fat.SetAvailableFolder(5);  // only free clusters change
  EXPECT_EQ(fat.ClusterState(5), clNext);
  const auto last = static_cast<uint32_t>(fat.ClusterCount() - 1);
  EXPECT_EQ(fat.NextAvailableCluster(last - 1), last);
  EXPECT_EQ(fat.NextAvailableCluster(last), 0u);
}

TEST_F(FatTableTest, OddRawValuesAreLinksAsWritten) {
  Patch(card.Image(), TableOffset() + 2 * 20, {0x01, 0x00});
  LoadedVolume volume(card.Image());
  EXPECT_EQ(volume.fat.ClusterState(20), clNext);
  EXPECT_EQ(volume.fat.NextCluster(20), 1u);
  EXPECT_EQ(volume.fat.NextCluster(1), 0u);

  FixtureCard fat32(test::Fat32Options());
  KOVA_CARD_OK(fat32.Formatted());
  KOVA_CARD_OK(fat32.Save());
  const uint64_t table = fat32.Manifest().volume.fat_offset;
  // The upper four bits of a FAT32 entry are reserved and do not take part in its meaning.
  Patch(fat32.Image(), table + 4 * 30, {0xFF, 0xFF, 0xFF, 0xFF});
  Patch(fat32.Image(), table + 4 * 31, {0xF7, 0xFF, 0xFF, 0x0F});
  Patch(fat32.Image(), table + 4 * 32, {0xF8, 0xFF, 0xFF, 0x0F});
  Patch(fat32.Image(), table + 4 * 33, {0x05, 0x00, 0x00, 0x10});
  Patch(fat32.Image(), table + 4 * 34, {0xF7, 0xFF, 0xFF, 0xFF});
  LoadedVolume wide(fat32.Image());
  ASSERT_TRUE(wide.loaded);
  EXPECT_EQ(wide.fat.ClusterState(30), clLast);
  EXPECT_EQ(wide.fat.ClusterState(31), clBad);
  EXPECT_EQ(wide.fat.ClusterState(32), clLast);
  EXPECT_EQ(wide.fat.ClusterState(33), clNext);
  EXPECT_EQ(wide.fat.NextCluster(33), 5u);
  EXPECT_EQ(wide.fat.ClusterState(34), clBad);
}

TEST_F(FatTableTest, TableCutByTheEndOfTheMediumLeavesTheRestFree) {
  std::filesystem::resize_file(card.Image(), TableOffset() + 2 * 7);
  LoadedVolume volume(card.Image());
  ASSERT_TRUE(volume.loaded);
  EXPECT_EQ(volume.fat.ClusterCount(), volume.fat.BootSector().ClusterCount());
  EXPECT_EQ(volume.fat.ClusterState(5), clNext);
  EXPECT_EQ(volume.fat.ClusterState(6), clNext);
  EXPECT_EQ(volume.fat.ClusterState(7), clAvailable);
  EXPECT_EQ(volume.fat.ClusterState(9), clAvailable);
}

TEST(FatTable, ACardGoneWhileTheTableIsReadIsThrown) {
  // An unreadable sector of the table is read from its second copy; a card that is gone is not.
  // The table lies beyond the first window of the medium, so the boot sector still reads.
  mkcard::VolumeOptions options = test::Fat16Options();
  options.reserved_sectors = 1024;
  FixtureCard card(options);
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", card.Image().string(), plan));
  TXDiskIO io;
  ASSERT_TRUE(io.Open("/dev/kova-card"));
  TXFAT fat;
  io.Stream()->Read(fat.BootSector().Bytes().data(), TXBootSector::kSize);
  plan->VanishAfterReads = plan->Reads.load();
  try {
    fat.Load(*io.Stream());
    ADD_FAILURE() << "the card that is gone was not reported";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrNotReady);
  }
  ClearThreadError();
}

TEST_F(FatTableTest, ResetForgetsTheVolume) {
  LoadedVolume volume(card.Image());
  volume.fat.Reset();
  EXPECT_EQ(volume.fat.FatType(), TXFatType::ftUnknown);
  EXPECT_EQ(volume.fat.ClusterCount(), 0);
  EXPECT_EQ(volume.fat.Stream(), nullptr);
  EXPECT_EQ(volume.fat.BootSector().BytesPerSector(), 0u);
}

TEST(FatRecognition, TheFatRecoveryOpensFatVolumesAndNoOtherMedia) {
  FixtureCard card(test::Fat32Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  TXFileDiskIO io;
  ASSERT_TRUE(io.Open(card.Image().string()));
  TXDRFATDisk fat;
  ASSERT_TRUE(fat.Open(test::WholeMedium(io)));
  EXPECT_EQ(fat.FAT().FatType(), TXFatType::ftFat32);
  EXPECT_EQ(fat.Facts().Name, "FAT32");

  test::TempDir dir;
  std::filesystem::path blank = dir / "blank.img";
  std::filesystem::resize_file((std::ofstream(blank), blank), 1 << 20);
  TXFileDiskIO other;
  ASSERT_TRUE(other.Open(blank.string()));
  TXDRFATDisk unknown;
  EXPECT_FALSE(unknown.Open(test::WholeMedium(other)));
  EXPECT_EQ(unknown.FAT().FatType(), TXFatType::ftUnknown);
  EXPECT_FALSE(unknown.FileSystemValid());
}

// The run (kova-cli info, the wizard's results) and the drive information read a volume's facts
// through the same code: both give the free count fsck.fat counts in the table, also where the
// FAT32 information sector says otherwise, and both copies of the table are read alike.
TEST(FatVolumeFacts, TheRunAndTheDriveInformationCountFreeClustersAsFsckDoes) {
  KOVA_FAT_TOOLS_OR_SKIP();
  for (int bits : {12, 16, 32}) {
    SCOPED_TRACE(bits);
    test::TempDir dir;
    const std::filesystem::path image = dir / "card.img";
    test::FatImageOptions options;
    options.FatBits = bits;
    options.SizeKiB = bits == 32 ? 40960 : bits == 16 ? 20480 : 4096;
    options.SectorsPerCluster = bits == 32 ? 1 : 4;
    ASSERT_TRUE(test::MakeFatImage(image, options));
    for (int i = 0; i < 3; ++i) {
      const std::filesystem::path photo = dir / ("IMG_000" + std::to_string(i) + ".JPG");
      test::WriteFileBytes(photo, test::NoiseBytes(70000 + 30000 * i, i));
      ASSERT_TRUE(test::AddFileToImage(image, photo));
    }
    ASSERT_TRUE(test::DeleteFromVolume(image, 0, "::/IMG_0001.JPG"));
    if (bits == 32) Patch(image, 512 + 488, {0x10, 0, 0, 0});  // a stale information sector
    const int64_t counted = test::FreeClustersByFsck(image);
    ASSERT_GT(counted, 0);

    TXDiskInfoRecord drive;
    ASSERT_TRUE(drive.QueryVolume(image.string()));
    EXPECT_EQ(drive.FreeClusters, counted);

    TXFileDiskIO io;
    ASSERT_TRUE(io.Open(image.string()));
    const TXFatBootRead boot = ReadFatBoot(StreamReader(*io.Stream()));
    TXFatEntries first;
    TXFatEntries second;
    ASSERT_TRUE(first.Read(StreamReader(*io.Stream()), boot.Boot, io.Stream()->Size(), 0));
    ASSERT_TRUE(second.Read(StreamReader(*io.Stream()), boot.Boot, io.Stream()->Size(), 1));
    EXPECT_EQ(first.FreeCount(), counted);
    EXPECT_EQ(second.FreeCount(), counted);
    for (uint32_t n = 0; n < first.Count(); ++n)
      ASSERT_EQ(first[n], second[n]) << "entry " << n;

    TXDRFATDisk disk;
    ASSERT_TRUE(disk.Open(test::WholeMedium(io)));
    EXPECT_EQ(disk.Facts().FreeClusters, counted);
    EXPECT_EQ(disk.Facts().TotalClusters, drive.TotalClusters);
  }
}

}  // namespace
}  // namespace kova
