#include <gtest/gtest.h>

#include <fstream>

#include "fat/fat_recovery_fixture.h"
#include "fat/fat_walk.h"
#include "recovery/found_file_sink.h"
#include "support/faulty_device.h"

namespace kova {
namespace {

using test::Clusters;
using test::Describe;
using test::ExtentsOf;
using test::FatRecoveryRun;
using test::FixtureCard;

constexpr uint32_t kCluster = 4096;

// A FAT16 card in 4 KiB clusters. Its first data cluster (2) holds the DCIM folder.
class FatRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Builder().MakeFolder("DCIM", {}, Clusters({2})));
  }
  int64_t At(uint32_t cluster) const { return static_cast<int64_t>(card.ClusterOffset(cluster)); }

  FixtureCard card{test::Fat16Options()};
};

TEST_F(FatRecoveryTest, LiveFileFollowsItsChainAndFillsTheUsedSpace) {
  KOVA_CARD_OK(
      card.Builder().WriteFile("DCIM/FILLER.DAT", mkcard::MakeData(8192, 2), Clusters({7, 8})));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/IMG_0001.JPG", mkcard::MakeData(10000, 1),
                                        Clusters({5, 6, 9})));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();

  const TXDRFileItem* file = run.offered.Find("IMG_0001.JPG");
  ASSERT_NE(file, nullptr);
  TXBlocks expected;
  expected.Add(At(5), 2 * kCluster);
  expected.Add(At(9), 1808);
  EXPECT_EQ(file->Blocks(), expected) << Describe(file->Blocks());
  EXPECT_EQ(file->Blocks(), ExtentsOf(card.Record("DCIM/IMG_0001.JPG")));
  EXPECT_EQ(file->Ext, ".JPG");
  EXPECT_TRUE(file->Status.Contains(drEntry));
  // Not a picture: kept all the same, with a failed thumbnail.
  EXPECT_TRUE(file->Status.Contains(drThnError));
  EXPECT_TRUE(MayBeDamaged(*file));
  EXPECT_TRUE(run.offered.Find("FILLER.DAT"));

  // Used space: both files in whole clusters, the last cluster's slack included.
  TXBlocks used = run.used;
  used.Normalize();
  TXBlocks whole;
  whole.Add(At(5), 5 * kCluster);
  EXPECT_EQ(used, whole) << Describe(used);
}

TEST(FatRecoveryFat32, ReservedBitsOfTableEntriesDoNotCutALiveChain) {
  FixtureCard card(test::Fat32Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(
      card.Builder().WriteFile("IMG_0001.JPG", test::Photo(320, 240, 21),
                               Clusters({40, 41, 42, 43, 44, 45, 46, 60, 61, 62, 63, 64, 65})));
  KOVA_CARD_OK(card.Save());
  // Some writers leave the upper four (reserved) bits of a FAT32 entry set.
  const uint64_t table = card.Manifest().volume.fat_offset;
  std::fstream image(card.Image(), std::ios::in | std::ios::out | std::ios::binary);
  for (uint32_t cluster : {40u, 41u, 46u, 61u}) {
    image.seekp(static_cast<std::streamoff>(table + 4 * cluster + 3));
    image.put(static_cast<char>(0xF0));
  }
  image.close();
  FatRecoveryRun run(card.Image());
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();
  const TXDRFileItem* file = run.offered.Find("IMG_0001.JPG");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Blocks(), ExtentsOf(card.Record("IMG_0001.JPG"))) << Describe(file->Blocks());
  EXPECT_TRUE(file->Status.Contains(drThnValidated));
}

TEST_F(FatRecoveryTest, LivePhotoGetsItsPictureSizeThumbnailAndDates) {
  card.Builder().SetTime(*mkcard::ParseDosTime("2022-03-04 05:06:08"));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/IMG_0002.JPG", test::Photo(800, 600, 7, true)));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  const TXDRFileItem* photo = run.offered.Find("IMG_0002.JPG");
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->Dimensions, (TXSize{800, 600}));
  EXPECT_TRUE(photo->Status.Contains(drThnValidated));
  EXPECT_FALSE(photo->Thumbnail.IsEmpty());
  EXPECT_EQ(photo->Size(), static_cast<int64_t>(card.Record("DCIM/IMG_0002.JPG").size));
  EXPECT_GT(photo->Modified, 0);
  EXPECT_EQ(photo->Modified, photo->Created);
}

// A photo written on cluster 5 and then on 8, 9, ... as if it had been contiguous before a later
// file took clusters 6 and 7; then deleted.
class DeletedPhotoTest : public FatRecoveryTest {
 protected:
  void WritePhoto(uint64_t cardBytes = 32 << 20) {
    photo = test::Photo(400, 300, 3);
    uint32_t clusters = static_cast<uint32_t>((photo.bytes.size() + kCluster - 1) / kCluster);
    chain = {5};
    for (uint32_t c = 8; chain.size() < clusters; ++c)
      chain.push_back(c);
    (void)cardBytes;
    KOVA_CARD_OK(card.Builder().WriteFile("DCIM/IMG_0001.JPG", photo, Clusters(chain)));
    KOVA_CARD_OK(card.Builder().WriteFile("DCIM/OTHER.DAT", mkcard::MakeData(2 * kCluster, 9),
                                          Clusters({6, 7})));
    KOVA_CARD_OK(card.Builder().Delete("DCIM/IMG_0001.JPG"));
  }
  TXBlocks PhotoExtents() const {
    TXBlocks blocks;
    int64_t remaining = static_cast<int64_t>(photo.bytes.size());
    for (uint32_t c : chain) {
      blocks.Add(At(c), std::min<int64_t>(kCluster, remaining));
      remaining -= kCluster;
    }
    return blocks;
  }

  mkcard::Content photo;
  std::vector<uint32_t> chain;
};

TEST_F(DeletedPhotoTest, DeletedFileTakesTheFreeClustersAfterItsFirst) {
  WritePhoto();
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  const TXDRFileItem* file = run.offered.Find("!MG_0001.JPG");
  ASSERT_NE(file, nullptr) << testing::PrintToString(run.offered.Names());
  EXPECT_EQ(file->Blocks(), PhotoExtents()) << Describe(file->Blocks());
  EXPECT_EQ(file->Ext, ".JPG");
  EXPECT_TRUE(file->Status.Contains(drDeletedEntry));
  EXPECT_TRUE(file->Status.Contains(drThnValidated));
  EXPECT_EQ(file->Dimensions, (TXSize{400, 300}));
  EXPECT_EQ(OriginOf(*file), TXDRFileOrigin::foDeleted);
  EXPECT_TRUE(file->ClustersReused) << "clusters 6 and 7 were in use and passed over";
  EXPECT_TRUE(MayBeDamaged(*file));
  // Deleted files take no used space.
  TXBlocks used = run.used;
  used.Normalize();
  EXPECT_EQ(used.Count(), 1);
  EXPECT_EQ(used[0].Start, At(6));
}

TEST_F(DeletedPhotoTest, ReusedFirstClusterLosesTheFile) {
  WritePhoto();
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/NEW.DAT", mkcard::MakeData(100, 5), Clusters({5})));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  EXPECT_EQ(run.offered.Find("!MG_0001.JPG"), nullptr);
  EXPECT_NE(run.offered.Find("NEW.DAT"), nullptr);
}

TEST_F(DeletedPhotoTest, FileEndingOnTheLastFreeClusterIsStillRecovered) {
  WritePhoto();
  // Every cluster after the photo's last one is taken.
  uint32_t first = chain.back() + 1;
  uint32_t last = card.Builder().Layout().LastCluster();
  KOVA_CARD_OK(card.Builder().WriteFile(
      "DCIM/FULL.DAT", mkcard::MakeData(uint64_t{last - first + 1} * kCluster, 1, 0x11),
      mkcard::Placement{{}, first}));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  ASSERT_EQ(run.disk.FAT().NextAvailableCluster(chain.back()), 0u);
  run.FromDirectories();
  const TXDRFileItem* file = run.offered.Find("!MG_0001.JPG");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Blocks(), PhotoExtents());
}

TEST_F(FatRecoveryTest, WipedDeletedFilesAreNotOfferedAndUnrecognisedOnesAreUnverified) {
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/WIPED.JPG", test::Photo(400, 300, 4),
                                        mkcard::Placement{{}, 20}));
  KOVA_CARD_OK(card.Builder().Wipe({20}, 0xFF));
  KOVA_CARD_OK(card.Builder().Delete("DCIM/WIPED.JPG"));
  KOVA_CARD_OK(
      card.Builder().WriteFile("DCIM/FAKE.JPG", mkcard::MakeData(5000, 6), Clusters({40, 41})));
  KOVA_CARD_OK(card.Builder().Delete("DCIM/FAKE.JPG"));
  // No scan format for .DAT: kept without a content check.
  KOVA_CARD_OK(
      card.Builder().WriteFile("DCIM/NOTES.DAT", mkcard::MakeData(5000, 7), Clusters({50, 51})));
  KOVA_CARD_OK(card.Builder().Delete("DCIM/NOTES.DAT"));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  EXPECT_EQ(run.offered.Find("!IPED.JPG"), nullptr);
  // Its entry still names its place and size: kept, but not as a verified photo.
  const TXDRFileItem* fake = run.offered.Find("!AKE.JPG");
  ASSERT_NE(fake, nullptr);
  EXPECT_EQ(fake->Blocks(), ExtentsOf(card.Record("DCIM/FAKE.JPG")));
  EXPECT_TRUE(fake->Status.Contains(drScanError));
  EXPECT_TRUE(MayBeDamaged(*fake));
  const TXDRFileItem* notes = run.offered.Find("!OTES.DAT");
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->Blocks(), ExtentsOf(card.Record("DCIM/NOTES.DAT")));
}

TEST_F(FatRecoveryTest, DeletedFolderIsFoundAsALostFolder) {
  KOVA_CARD_OK(card.Builder().MakeFolder("DCIM/OLD", {}, Clusters({100})));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/OLD/IMG_0100.JPG", test::Photo(320, 240, 8),
                                        mkcard::Placement{{}, 101}));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/OLD/IMG_0101.JPG", test::Photo(320, 240, 9)));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/KEEP.JPG", test::Photo(320, 240, 10)));
  KOVA_CARD_OK(card.Builder().Delete("DCIM/OLD"));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  // The deleted folder is not walked; its entry is no file.
  EXPECT_EQ(run.offered.Names(), std::vector<std::string>{"KEEP.JPG"});
  const int32_t walked = run.disk.DirClusters().Count();
  run.LostFolders();
  EXPECT_EQ(run.disk.FAT().ClusterState(100), clAvailableFolder);
  EXPECT_EQ(run.disk.DirClusters().Count(), walked + 1);
  EXPECT_FALSE(run.disk.DirClusters()[walked].FromRoot);
  for (const char* path : {"DCIM/OLD/IMG_0100.JPG", "DCIM/OLD/IMG_0101.JPG"}) {
    const mkcard::ManifestRecord& record = card.Record(path);
    EXPECT_EQ(record.state, mkcard::EntryState::kLost);
    const TXDRFileItem* file = run.offered.Find(record.short_name);
    ASSERT_NE(file, nullptr) << path;
    EXPECT_EQ(file->Blocks(), ExtentsOf(record));
    EXPECT_TRUE(file->Status.Contains(drDeletedEntry));
    EXPECT_EQ(file->Dimensions, (TXSize{320, 240}));
    EXPECT_EQ(OriginOf(*file), TXDRFileOrigin::foLostFolder);
    EXPECT_FALSE(MayBeDamaged(*file)) << "its clusters follow each other, all free";
  }
  EXPECT_EQ(OriginOf(*run.offered.Find("KEEP.JPG")), TXDRFileOrigin::foLive);
  EXPECT_EQ(run.offered.Count(), 3u);
}

TEST_F(FatRecoveryTest, LoopingAndSelfLinkedFoldersAreReadOnce) {
  KOVA_CARD_OK(card.Builder().MakeFolder("DCIM/A"));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/A/ONE.JPG", test::Photo(160, 120, 11)));
  KOVA_CARD_OK(card.Builder().LinkFolder("DCIM/A", "SELF", "DCIM/A"));
  KOVA_CARD_OK(card.Builder().LinkFolder("DCIM/A", "UP", "DCIM"));
  KOVA_CARD_OK(card.Builder().LoopFolder("DCIM/A"));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  run.LostFolders();
  EXPECT_EQ(run.offered.Names(), std::vector<std::string>{"ONE.JPG"});
  std::vector<uint32_t> read;
  for (int32_t i = 0; i < run.disk.DirClusters().Count(); ++i)
    read.push_back(run.disk.DirClusters()[i].Cluster);
  EXPECT_EQ(read, (std::vector<uint32_t>{1, 2, card.Record("DCIM/A").first_cluster}));
}

TEST_F(FatRecoveryTest, BrokenAndLoopingFileChainsAreNotOffered) {
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/SHORT.DAT", mkcard::MakeData(3 * kCluster, 1),
                                        Clusters({30, 31, 32})));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/LOOP.DAT", mkcard::MakeData(3 * kCluster, 2),
                                        Clusters({40, 41, 42})));
  KOVA_CARD_OK(card.Save());
  const uint64_t table = card.Manifest().volume.fat_offset;
  std::fstream file(card.Image(), std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(table + 2 * 31));
  file.write("\xFF\xFF", 2);  // SHORT.DAT ends after two of its three clusters
  file.seekp(static_cast<std::streamoff>(table + 2 * 41));
  file.write("\x28\x00", 2);  // LOOP.DAT: 41 leads back to 40
  file.close();
  FatRecoveryRun run(card.Image());
  run.FromDirectories();
  EXPECT_TRUE(run.offered.Names().empty()) << testing::PrintToString(run.offered.Names());
}

TEST_F(FatRecoveryTest, ReadErrorInAFolderEndsOnlyThatFolder) {
  // Beyond the first window of the medium, which also holds the boot sector and the table.
  KOVA_CARD_OK(card.Builder().MakeFolder("DCIM/BAD", {}, Clusters({200})));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/BAD/LOST.JPG", test::Photo(160, 120, 12)));
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/GOOD.JPG", test::Photo(160, 120, 13)));
  KOVA_CARD_OK(card.Save());
  auto plan = std::make_shared<TXFaultPlan>();
  plan->BadRanges.push_back(
      {static_cast<int64_t>(card.ClusterOffset(card.Record("DCIM/BAD").first_cluster)), 512});
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", card.Image().string(), plan));
  TXDiskIO io;
  ASSERT_TRUE(io.Open("/dev/kova-card"));
  io.DiskStream()->RaiseOnError = false;
  TXDRFATDisk disk;
  ASSERT_TRUE(disk.Open(test::WholeMedium(io)));
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  test::OfferedFiles offered(*worker);
  TXDRImmediateSink sink(*worker);
  disk.RecoverFromDirectories(*worker, sink);
  EXPECT_EQ(offered.Names(), std::vector<std::string>{"GOOD.JPG"});
  ClearThreadError();
}

TEST_F(FatRecoveryTest, StoppedRunOffersNothingMore) {
  KOVA_CARD_OK(card.Builder().WriteFile("DCIM/IMG_0001.JPG", test::Photo(160, 120, 14)));
  KOVA_CARD_OK(card.Save());
  FatRecoveryRun run(card.Image());
  run.worker->Cancel();
  run.FromDirectories();
  run.LostFolders();
  EXPECT_EQ(run.offered.Count(), 0u);
  EXPECT_EQ(run.disk.DirClusters().Count(), 0);
}

TEST(FatDiskLoad, FatVolumesOfEveryWidthAreTakenAndNoOthers) {
  FixtureCard card(test::Fat32Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  TXFileDiskIO io;
  ASSERT_TRUE(io.Open(card.Image().string()));
  TXDRFATDisk disk;
  EXPECT_TRUE(disk.Open(test::WholeMedium(io)));
  EXPECT_TRUE(disk.FileSystemValid());
  EXPECT_EQ(disk.Facts().Name, "FAT32");
  EXPECT_EQ(disk.Facts().SectorSize, 512u);
  EXPECT_EQ(disk.Facts().ClusterSize, 512u);
  EXPECT_EQ(disk.Facts().Label, "KOVA TEST");

  io.DiskInfo.FileSystem = "NTFS";
  EXPECT_FALSE(disk.Open(test::WholeMedium(io)));
  EXPECT_FALSE(disk.FileSystemValid());
  EXPECT_EQ(disk.FAT().ClusterCount(), 0);
  io.DiskInfo.FileSystem = "FAT32";
  EXPECT_TRUE(disk.Open(test::WholeMedium(io)));

  FixtureCard fat12(test::Fat16Options(1 << 20, 4));
  mkcard::VolumeOptions options = test::Fat16Options(1 << 20, 4);
  options.type = mkcard::FatType::kFat12;
  FixtureCard floppy(options);
  KOVA_CARD_OK(floppy.Formatted());
  KOVA_CARD_OK(floppy.Save());
  TXFileDiskIO small;
  ASSERT_TRUE(small.Open(floppy.Image().string()));
  EXPECT_TRUE(disk.Open(test::WholeMedium(small)));
  EXPECT_EQ(disk.Facts().Name, "FAT12");
}

TEST(FatDiskLoad, UnreadableBootSectorIsNoVolume) {
  FixtureCard card(test::Fat16Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Save());
  auto plan = std::make_shared<TXFaultPlan>();
  plan->BadRanges.push_back({0, 512});
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", card.Image().string(), plan));
  TXDiskIO io;
  ASSERT_TRUE(io.Open("/dev/kova-card"));
  TXDRFATDisk disk;
  EXPECT_FALSE(disk.Open(test::WholeMedium(io)));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  ClearThreadError();
}

TEST(FatDiskRealVolumes, SampleFat16VolumeOffersItsFiles) {
  KOVA_SAMPLE_OR_SKIP(image, "fat16_mkfs_superfloppy.img");
  FatRecoveryRun run(image);
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();
  run.LostFolders();
  // The names and folders as the sample's maker wrote them (short names in small letters and a
  // long name), each in the folder that holds it.
  const TXDRFileItem* longText = run.offered.Find("long.txt");
  ASSERT_NE(longText, nullptr) << testing::PrintToString(run.offered.Names());
  EXPECT_EQ(longText->Size(), 14000);
  EXPECT_EQ(longText->Folder, "");
  EXPECT_EQ(longText->Volume, 1);
  ASSERT_NE(run.offered.Find("short.txt"), nullptr);
  const TXDRFileItem* deep = run.offered.Find("test.txt");
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->Folder, "very/long/path");
  const TXDRFileItem* named = run.offered.Find("very-long-file-name.txt");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->Folder, "very-long-dir-name");
  EXPECT_EQ(run.offered.Count(), 4u);
}

TEST(FatDiskRealVolumes, Fat12SampleIsReadLikeTheFat16One) {
  KOVA_SAMPLE_OR_SKIP(image, "fat12_mkfs_superfloppy.img");
  FatRecoveryRun run(image);
  ASSERT_TRUE(run.opened);
  ASSERT_TRUE(run.loaded);
  EXPECT_EQ(run.disk.Facts().Name, "FAT12");
  run.FromDirectories();
  run.LostFolders();
  EXPECT_GT(run.offered.Count(), 0u) << testing::PrintToString(run.offered.Names());
}

}  // namespace
}  // namespace kova
