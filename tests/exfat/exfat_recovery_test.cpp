// The exFAT recovery on mkcard cards: every expectation comes from what was written.
#include <gtest/gtest.h>

#include "exfat/exfat_fixture.h"
#include "recovery/file_status.h"

namespace kova {
namespace {

using test::BytesAt;
using test::Describe;
using test::ExfatCard;
using test::ExfatClusters;
using test::ExfatRun;
using test::ExtentsOf;

// A card in 4 KiB clusters with a DCIM folder.
class ExfatRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("DCIM"));
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("DCIM/100KOVA"));
  }
  void Write(const std::string& path, const mkcard::Content& content,
             const mkcard::ExfatPlacement& placement = {}) {
    KOVA_CARD_OK(card.Volume().WriteExfatFile(path, content, placement));
    written[path] = content.bytes;
  }
  // The offered file is the one written: name, folder, extents and every byte.
  void ExpectWhole(const ExfatRun& run, const std::string& path, TXDRFileStatusValue status) {
    const mkcard::ManifestRecord& record = card.Record(path);
    const TXDRFileItem* file = run.offered.Find(record.long_name);
    ASSERT_NE(file, nullptr) << path;
    const size_t slash = path.rfind('/');
    EXPECT_EQ(file->Folder, slash == std::string::npos ? "" : path.substr(0, slash));
    EXPECT_EQ(file->Blocks(), ExtentsOf(record)) << path << ": " << Describe(file->Blocks());
    EXPECT_EQ(BytesAt(image, file->Blocks()), written[path]) << path;
    EXPECT_TRUE(file->Status.Contains(status)) << path;
    EXPECT_EQ(file->Volume, 1);
  }
  void Save() {
    KOVA_CARD_OK(card.Save());
    image = test::ReadFileBytes(card.Image());
  }

  ExfatCard card;
  std::map<std::string, std::vector<uint8_t>> written;
  std::vector<uint8_t> image;
};

TEST_F(ExfatRecoveryTest, LiveFilesComeBackWholeWithTheirNamesAndFolders) {
  Write("DCIM/100KOVA/IMG_0001.JPG", mkcard::MakeData(20000, 1));
  Write("DCIM/100KOVA/Größe café.jpg", mkcard::MakeData(9000, 2), ExfatClusters({}, true));
  Write("DCIM/100KOVA/fragmented.mov", mkcard::MakeData(12000, 3), ExfatClusters({60, 58, 70}));
  Write("写真 2024-06-12 15.30.12.dng", mkcard::MakeData(4096, 4));
  Write("empty.jpg", mkcard::MakeData(0, 5));
  Save();
  ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  run.FromDirectories();
  EXPECT_EQ(run.offered.Count(), 4u) << "an empty file has nothing to recover";
  for (const char* path : {"DCIM/100KOVA/IMG_0001.JPG", "DCIM/100KOVA/Größe café.jpg",
                           "DCIM/100KOVA/fragmented.mov", "写真 2024-06-12 15.30.12.dng"})
    ExpectWhole(run, path, drEntry);
  const TXDRFileItem* photo = run.offered.Find("Größe café.jpg");
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->Ext, ".jpg");
  EXPECT_EQ(photo->Folder, "DCIM/100KOVA");
  EXPECT_TRUE(photo->Status.Contains(drThnError)) << "not a picture: kept, without a thumbnail";
  EXPECT_EQ(run.offered.Find("fragmented.mov")->Blocks().Count(), 3);
}

TEST_F(ExfatRecoveryTest, LivePhotoGetsItsPictureSizeAndThumbnail) {
  // A photo in two pieces: its first three clusters at 40, the rest from 50 on.
  const mkcard::Content photo = test::Photo(800, 600, 7, true);
  std::vector<uint32_t> clusters = {40, 41, 42};
  for (uint32_t c = 50; clusters.size() * 4096 < photo.bytes.size(); ++c)
    clusters.push_back(c);
  Write("DCIM/100KOVA/IMG_0002.JPG", photo, ExfatClusters(clusters));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  ExpectWhole(run, "DCIM/100KOVA/IMG_0002.JPG", drEntry);
  const TXDRFileItem* found = run.offered.Find("IMG_0002.JPG");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Dimensions, (TXSize{800, 600}));
  EXPECT_TRUE(found->Status.Contains(drThnValidated));
  EXPECT_FALSE(found->Thumbnail.IsEmpty());
}

TEST_F(ExfatRecoveryTest, ValidDataLengthShortOfTheSizeStillRestoresTheWholeSize) {
  mkcard::ExfatEntryOptions entry;
  entry.valid_data_length = 5000;
  KOVA_CARD_OK(card.Volume().WriteExfatFile("clip.mp4", mkcard::MakeData(12000, 8), {}, entry));
  written["clip.mp4"] = mkcard::MakeData(12000, 8).bytes;
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  ExpectWhole(run, "clip.mp4", drEntry);
}

TEST_F(ExfatRecoveryTest, DeletedContiguousFileComesBackWholeWithItsName) {
  Write("DCIM/100KOVA/IMG_0003.JPG", test::Photo(640, 480, 3));
  Write("DCIM/100KOVA/keep.dat", mkcard::MakeData(5000, 9));
  KOVA_CARD_OK(card.Volume().Delete("DCIM/100KOVA/IMG_0003.JPG"));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  ExpectWhole(run, "DCIM/100KOVA/IMG_0003.JPG", drDeletedEntry);
  EXPECT_EQ(OriginOf(*run.offered.Find("IMG_0003.JPG")), TXDRFileOrigin::foDeleted);
  const TXDRFileItem* photo = run.offered.Find("IMG_0003.JPG");
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->Dimensions, (TXSize{640, 480}));
  EXPECT_TRUE(photo->Status.Contains(drThnValidated));
  ExpectWhole(run, "DCIM/100KOVA/keep.dat", drEntry);
}

TEST_F(ExfatRecoveryTest, DeletedChainedFileFollowsItsChainPastFreeClusters) {
  // Clusters 81 and 83 stay free: taking the free clusters after the first would be wrong.
  Write("gone.dat", mkcard::MakeData(10000, 5), ExfatClusters({80, 82, 84}));
  KOVA_CARD_OK(card.Volume().Delete("gone.dat"));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  ExpectWhole(run, "gone.dat", drDeletedEntry);
}

TEST_F(ExfatRecoveryTest, DeletedChainWithATakenClusterFallsBackToTheFreeClustersAfterItsFirst) {
  Write("gone.dat", mkcard::MakeData(10000, 5), ExfatClusters({80, 82, 84}));
  KOVA_CARD_OK(card.Volume().Delete("gone.dat"));
  Write("later.dat", mkcard::MakeData(100, 6), ExfatClusters({82}));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  const TXDRFileItem* gone = run.offered.Find("gone.dat");
  ASSERT_NE(gone, nullptr);
  TXBlocks expected;
  expected.Add(card.ClusterOffset(80), 2 * card.ClusterBytes());
  expected.Add(card.ClusterOffset(83), 10000 - 2 * card.ClusterBytes());
  EXPECT_EQ(gone->Blocks(), expected) << Describe(gone->Blocks());
  EXPECT_TRUE(gone->IsDeletedEntry());
  EXPECT_TRUE(gone->ClustersReused);
  EXPECT_EQ(OriginOf(*gone), TXDRFileOrigin::foDeleted);
}

TEST_F(ExfatRecoveryTest, DeletedFileIsLeftWhenItsDataIsGone) {
  Write("reused.dat", mkcard::MakeData(6000, 1), ExfatClusters({90, 91}));
  Write("wiped.dat", mkcard::MakeData(6000, 2, 0x00), ExfatClusters({95, 96}));
  Write("notajpeg.jpg", mkcard::MakeData(6000, 3), ExfatClusters({100, 101}));
  for (const char* path : {"reused.dat", "wiped.dat", "notajpeg.jpg"})
    KOVA_CARD_OK(card.Volume().Delete(path));
  Write("taker.dat", mkcard::MakeData(100, 4), ExfatClusters({90}));
  Save();
  ExfatRun run(card.Image());
  run.Everything();
  // A file whose format does not recognise it is kept on its entry's word, unverified.
  EXPECT_EQ(run.offered.Names(), (std::vector<std::string>{"taker.dat", "notajpeg.jpg"}));
  EXPECT_TRUE(run.offered.Find("notajpeg.jpg")->Status.Contains(drScanError));
}

TEST_F(ExfatRecoveryTest, DeletedFolderGivesBackItsFilesInTheLostFolderStage) {
  KOVA_CARD_OK(card.Volume().MakeExfatFolder("OLD"));
  KOVA_CARD_OK(card.Volume().MakeExfatFolder("OLD/SUB"));
  Write("OLD/inside.jpg", test::Photo(320, 240, 4));
  Write("OLD/SUB/deeper.dat", mkcard::MakeData(9000, 6), ExfatClusters({200, 150, 210}));
  Write("DCIM/100KOVA/live.dat", mkcard::MakeData(3000, 7));
  KOVA_CARD_OK(card.Volume().Delete("OLD"));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  EXPECT_EQ(run.offered.Names(), std::vector<std::string>{"live.dat"});
  run.LostFolders();
  ASSERT_EQ(run.offered.Count(), 3u);
  ExpectWhole(run, "OLD/inside.jpg", drLostFolder);
  ExpectWhole(run, "OLD/SUB/deeper.dat", drLostFolder);
  EXPECT_FALSE(run.offered.Find("deeper.dat")->ClustersReused) << "its chain was intact";
}

TEST_F(ExfatRecoveryTest, DeletedFolderWhoseClusterWasTakenIsNotRead) {
  KOVA_CARD_OK(card.Volume().MakeExfatFolder("OLD", ExfatClusters({300})));
  Write("OLD/inside.dat", mkcard::MakeData(3000, 1));
  KOVA_CARD_OK(card.Volume().Delete("OLD"));
  // A file over the folder's cluster whose bytes look like an entry set would.
  uint32_t first = 0;
  KOVA_CARD_OK(card.Volume().ClusterOf("OLD+0", &first));
  Write("over.dat", mkcard::Content{card.Card().ReadImage(card.ClusterOffset(first), 4096), "data"},
        ExfatClusters({300}));
  Save();
  ExfatRun run(card.Image());
  run.Everything();
  EXPECT_EQ(run.offered.Names(), std::vector<std::string>{"over.dat"});
}

TEST_F(ExfatRecoveryTest, SetWithAWrongChecksumIsCountedAndStillUsed) {
  Write("DCIM/100KOVA/IMG_0004.JPG", mkcard::MakeData(7000, 4));
  Write("DCIM/100KOVA/IMG_0005.JPG", mkcard::MakeData(7000, 5));
  KOVA_CARD_OK(card.Volume().BreakSetChecksum("DCIM/100KOVA/IMG_0004.JPG"));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  ExpectWhole(run, "DCIM/100KOVA/IMG_0004.JPG", drEntry);
  ExpectWhole(run, "DCIM/100KOVA/IMG_0005.JPG", drEntry);
  EXPECT_EQ(run.recovery.Tree().BadChecksums(), 1);
}

TEST_F(ExfatRecoveryTest, FactsComeFromTheBootRegionBitmapAndLabel) {
  Write("a.dat", mkcard::MakeData(50000, 1));
  Save();
  ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  const TXDRFileSystemFacts facts = run.recovery.Facts();
  EXPECT_EQ(facts.Name, "exFAT");
  EXPECT_EQ(facts.Label, "KOVA EXFAT");
  EXPECT_EQ(facts.Serial, 0x1234ABCDu);
  EXPECT_EQ(facts.SectorSize, 512u);
  EXPECT_EQ(facts.ClusterSize, 4096u);
  EXPECT_EQ(facts.TotalClusters, card.Manifest().volume.cluster_count);
  EXPECT_EQ(facts.FreeClusters, card.Manifest().volume.free_clusters);
  EXPECT_FALSE(facts.FromBackupBoot);
}

TEST_F(ExfatRecoveryTest, UsedSpaceIsWhatTheBitmapHoldsAllocated) {
  Write("a.dat", mkcard::MakeData(9000, 1), ExfatClusters({50, 52, 54}));
  Write("b.dat", mkcard::MakeData(9000, 2), ExfatClusters({60, 61, 62}));
  KOVA_CARD_OK(card.Volume().Delete("b.dat"));
  Save();
  ExfatRun run(card.Image());
  run.FromDirectories();
  TXBlocks expected;
  for (uint32_t c = 2; c < card.Manifest().volume.cluster_count + 2; ++c) {
    if (card.Volume().IsAllocated(c)) expected.Add(card.ClusterOffset(c), card.ClusterBytes());
  }
  TXBlocks used = run.Used();
  used.Normalize();
  EXPECT_EQ(used, expected) << Describe(used);
}

TEST(ExfatVolumeInPartition, FilesAreOfferedAtTheirPlaceOnTheMediumWithTheVolumeNumber) {
  mkcard::ExfatOptions options = test::ExfatOptions();
  options.partition_lba = 8192;
  ExfatCard card(options);
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Volume().WriteExfatFile("IMG_0001.JPG", test::Photo(320, 240, 1)));
  KOVA_CARD_OK(card.Volume().WriteExfatFile("gone.JPG", test::Photo(320, 240, 2),
                                            ExfatClusters({40, 42}, true)));
  KOVA_CARD_OK(card.Volume().Delete("gone.JPG"));
  KOVA_CARD_OK(card.Save());
  ExfatRun run(card.Image(), 4 << 20, 1);
  ASSERT_TRUE(run.opened);
  run.Everything();
  ASSERT_EQ(run.offered.Count(), 2u);
  for (const char* path : {"IMG_0001.JPG", "gone.JPG"}) {
    const TXDRFileItem* file = run.offered.Find(path);
    ASSERT_NE(file, nullptr) << path;
    EXPECT_EQ(file->Blocks(), ExtentsOf(card.Record(path))) << path;
    EXPECT_EQ(file->Volume, 1);
  }
  const TXBlocks used = run.Used();
  ASSERT_FALSE(used.Empty());
  EXPECT_GE(used[0].Start, 4 << 20);
}

TEST(ExfatRecoveryOpen, OnlyExfatVolumesAreRead) {
  ExfatCard card;
  KOVA_CARD_OK(card.Save());
  TXFileDiskIO io;
  ASSERT_TRUE(io.Open(card.Image().string()));
  TXDRVolumePlace place;
  place.Stream = io.Stream();
  TXDRExfatRecovery recovery;
  place.ReportedFileSystem = "NTFS";
  EXPECT_FALSE(recovery.Open(place));
  place.ReportedFileSystem = "exfat";
  EXPECT_TRUE(recovery.Open(place));
  place.ReportedFileSystem.clear();
  EXPECT_TRUE(recovery.Open(place));
  TXMemoryStream zeros;
  zeros.SetSize(1 << 20);
  place.Stream = &zeros;
  EXPECT_FALSE(recovery.Open(place));
}

}  // namespace
}  // namespace kova
