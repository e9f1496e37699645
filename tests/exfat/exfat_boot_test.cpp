// Boot regions of exFAT volumes: mkcard cards with damaged regions, and real volumes made by
// mkfs.exfat, whose facts dump.exfat tells.
#include <gtest/gtest.h>

#include <fstream>

#include "exfat/exfat_fixture.h"
#include "storage/disk_info.h"
#include "storage/exfat_boot_region.h"
#include "support/exfat_images.h"

namespace kova {
namespace {

using mkcard::ExfatBootDamage;
using test::ExfatCard;
using test::ExfatRun;
using test::TempDir;

void Overwrite(const std::filesystem::path& image, int64_t offset,
               const std::vector<uint8_t>& bytes) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void ZeroSector(const std::filesystem::path& image, int64_t sector) {
  Overwrite(image, sector * 512, std::vector<uint8_t>(512, 0));
}

class ExfatBootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("DCIM"));
    KOVA_CARD_OK(card.Volume().WriteExfatFile("DCIM/IMG_0001.JPG", mkcard::MakeData(9000, 1)));
  }
  TXExfatBootRegion Region() {
    TXFileDiskIO io;
    EXPECT_TRUE(io.Open(card.Image().string()));
    return ReadExfatBootRegion(StreamReader(*io.Stream()));
  }

  ExfatCard card;
};

TEST_F(ExfatBootTest, SoundMainRegionIsTaken) {
  KOVA_CARD_OK(card.Save());
  const TXExfatBootRegion region = Region();
  EXPECT_EQ(region.Source, TXExfatBootSource::bsMain);
  EXPECT_FALSE(region.MainDamaged);
  EXPECT_FALSE(region.ChecksumBad);
  const TXExfatBootSector& boot = region.Boot;
  const mkcard::ManifestVolume& v = card.Manifest().volume;
  EXPECT_EQ(boot.ClusterBytes(), v.cluster_bytes);
  EXPECT_EQ(boot.ClusterCount(), v.cluster_count);
  EXPECT_EQ(boot.RootCluster(), card.RootCluster());
  EXPECT_EQ(boot.FatOffset(), static_cast<int64_t>(v.fat_offset));
  EXPECT_EQ(boot.ClusterOffset(2), static_cast<int64_t>(v.data_offset));
  EXPECT_EQ(boot.VolumeSerial(), v.serial);
}

TEST_F(ExfatBootTest, DamagedMainRegionGivesWayToTheBackup) {
  for (ExfatBootDamage damage :
       {ExfatBootDamage::kZeroedBootSector, ExfatBootDamage::kBadChecksum}) {
    card.Volume().DamageMainBootRegion(damage);
    KOVA_CARD_OK(card.Save());
    const TXExfatBootRegion region = Region();
    EXPECT_EQ(region.Source, TXExfatBootSource::bsBackup);
    EXPECT_TRUE(region.MainDamaged);
    ExfatRun run(card.Image());
    ASSERT_TRUE(run.opened);
    EXPECT_TRUE(run.recovery.Facts().FromBackupBoot);
    run.FromDirectories();
    const TXDRFileItem* file = run.offered.Find("IMG_0001.JPG");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Blocks(), test::ExtentsOf(card.Record("DCIM/IMG_0001.JPG")));
  }
}

TEST_F(ExfatBootTest, BothRegionsWithBadChecksumsStillGiveTheMainOne) {
  card.Volume().DamageMainBootRegion(ExfatBootDamage::kBadChecksum);
  KOVA_CARD_OK(card.Save());
  Overwrite(card.Image(), (12 + 9) * 512 + 40, {0x5A});  // the backup's OEM parameters
  const TXExfatBootRegion region = Region();
  EXPECT_EQ(region.Source, TXExfatBootSource::bsMain);
  EXPECT_TRUE(region.ChecksumBad);
  EXPECT_TRUE(ExfatRun(card.Image()).opened);
}

TEST_F(ExfatBootTest, NoPlausibleRegionIsNoVolume) {
  KOVA_CARD_OK(card.Save());
  ZeroSector(card.Image(), 0);
  ZeroSector(card.Image(), 12);
  EXPECT_EQ(Region().Source, TXExfatBootSource::bsNone);
  EXPECT_FALSE(ExfatRun(card.Image()).opened);
}

TEST_F(ExfatBootTest, DiskInformationNamesTheVolumeExfat) {
  for (ExfatBootDamage damage : {ExfatBootDamage::kNone, ExfatBootDamage::kZeroedBootSector}) {
    card.Volume().DamageMainBootRegion(damage);
    KOVA_CARD_OK(card.Save());
    TXDiskInfoRecord info;
    ASSERT_TRUE(info.QueryVolume(card.Image().string()));
    EXPECT_EQ(info.FileSystem, "exFAT");
    EXPECT_EQ(info.ClusterSize, 4096u);
    EXPECT_EQ(info.SectorSize, 512u);
    EXPECT_EQ(info.TotalClusters, card.Manifest().volume.cluster_count);
    EXPECT_EQ(info.VolumeSerial, 0x1234ABCDu);
  }
}

TEST(ExfatRealVolumes, VolumesOfMkfsExfatReadAsDumpExfatTells) {
  KOVA_EXFAT_TOOLS_OR_SKIP();
  struct Shape {
    int64_t bytes;
    const char* cluster;
  };
  for (Shape shape : {Shape{8 << 20, "512"}, Shape{8 << 20, "4K"}, Shape{64 << 20, "32K"},
                      Shape{300 << 20, "128K"}, Shape{int64_t{1} << 30, "1M"}}) {
    SCOPED_TRACE(std::to_string(shape.bytes) + " bytes in clusters of " + shape.cluster);
    TempDir dir;
    const std::filesystem::path image = dir / "real.img";
    ASSERT_TRUE(test::MakeExfatImage(image, shape.bytes, shape.cluster, "REAL CARD"));
    auto fact = [&image](const char* name) { return test::DumpedExfatFact(image, name); };
    const std::string label = fact("Volume label"), cluster = fact("Cluster size"),
                      total = fact("Total Clusters"), free = fact("Free Clusters"),
                      serial = fact("Volume Serial");
    ASSERT_EQ(label, "REAL CARD");
    for (bool damaged : {false, true}) {
      if (damaged) ZeroSector(image, 0);
      ExfatRun run(image);
      ASSERT_TRUE(run.opened);
      const TXDRFileSystemFacts facts = run.recovery.Facts();
      EXPECT_EQ(facts.FromBackupBoot, damaged);
      EXPECT_EQ(facts.Label, label);
      EXPECT_EQ(std::to_string(facts.ClusterSize), cluster);
      EXPECT_EQ(std::to_string(facts.TotalClusters), total);
      EXPECT_EQ(std::to_string(facts.FreeClusters), free);
      EXPECT_EQ(facts.Serial, std::stoul(serial, nullptr, 16));
      run.Everything();
      EXPECT_EQ(run.offered.Count(), 0u);
      TXDiskInfoRecord info;
      ASSERT_TRUE(info.QueryVolume(image.string()));
      EXPECT_EQ(info.FileSystem, "exFAT");
      EXPECT_EQ(info.ClusterSize, facts.ClusterSize);
    }
  }
}

}  // namespace
}  // namespace kova
