// Files, deletions, lost folders and damage: the manifest says exactly where the bytes are, and
// the directory entries and allocation tables on the image say what the recovery will see.
#include <gtest/gtest.h>

#include "card_builder.h"
#include "card_test_support.h"
#include "cluster_list.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

using kova::test::TempDir;

// A FAT16 volume with 4096-byte clusters and enough of them to be a real FAT16.
VolumeOptions Fat16With4KClusters() {
  VolumeOptions o = SmallFat16();
  o.card_bytes = 20 << 20;
  o.sectors_per_cluster = 8;
  return o;
}

class SavedCardTest : public ::testing::Test {
 protected:
  void Save() {
    const Status saved = card_.Save(image_, dir_ / "card.jsonl");
    ASSERT_TRUE(saved.ok()) << saved.message();
    manifest_ = card_.MakeManifest();
  }
  const ManifestRecord& Record(const std::string& path) {
    const ManifestRecord* r = manifest_.Find(path);
    EXPECT_NE(r, nullptr) << path;
    static const ManifestRecord kNone;
    return r ? *r : kNone;
  }
  uint8_t EntryByte(const ManifestRecord& r, int at) {
    return ReadFileBytes(image_, static_cast<uint64_t>(r.entry_offset) + at, 1).at(0);
  }

  TempDir dir_;
  std::filesystem::path image_ = dir_ / "card.img";
  CardBuilder card_;
  Manifest manifest_;
};

TEST_F(SavedCardTest, FragmentedChainFiveSixNine) {
  FormatOrFail(card_, Fat16With4KClusters());
  const Content data = MakeData(10000, 5);
  ASSERT_TRUE(card_.WriteFile("IMG_0001.JPG", data, {{5, 6, 9}}).ok());
  Save();
  const ManifestRecord& r = Record("IMG_0001.JPG");
  const uint64_t c5 = manifest_.volume.data_offset + 3 * 4096;
  ASSERT_EQ(r.extents.size(), 2u) << "clusters 5 and 6 merge into one extent";
  EXPECT_EQ(r.extents[0], (Extent{c5, 8192}));
  EXPECT_EQ(r.extents[1], (Extent{c5 + 4 * 4096, 1808}));
  EXPECT_EQ(r.clusters, "5-6,9");
  EXPECT_EQ(ExtentBytes(image_, r), data.bytes);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 5), 6u);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 6), 9u);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 9), 0xFFFFu);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 7), 0u);
  if (HaveTool("mtype")) {
    const ToolRun copy =
        RunCommand("mcopy -n -i " + Quote(image_) + " ::IMG_0001.JPG " + Quote(dir_ / "out.bin"));
    EXPECT_EQ(copy.exit_code, 0) << copy.output;
    EXPECT_EQ(ReadFileBytes(dir_ / "out.bin"), data.bytes) << "mtools follows the same chain";
  }
}

TEST_F(SavedCardTest, DeletedFileKeepsItsDataButLosesItsChain) {
  FormatOrFail(card_, Fat16With4KClusters());
  const Content data = MakeData(10000, 6);
  ASSERT_TRUE(card_.WriteFile("IMG_0001.JPG", data, {}, {"A long name.jpg", {}}).ok());
  ASSERT_TRUE(card_.Delete("IMG_0001.JPG").ok());
  Save();
  const ManifestRecord& r = Record("IMG_0001.JPG");
  EXPECT_EQ(r.state, EntryState::kDeleted);
  EXPECT_TRUE(r.intact);
  EXPECT_EQ(EntryByte(r, 0), 0xE5);
  EXPECT_EQ(EntryByte(r, -32), 0xE5) << "the long-name entry is deleted too";
  EXPECT_EQ(ReadFileBytes(image_, r.entry_offset + 1, 10),
            std::vector<uint8_t>({'M', 'G', '_', '0', '0', '0', '1', 'J', 'P', 'G'}));
  for (uint32_t c : {r.first_cluster, r.first_cluster + 1, r.first_cluster + 2}) {
    EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, c), 0u) << "cluster " << c;
  }
  EXPECT_EQ(ExtentBytes(image_, r), data.bytes);
  if (HaveTool("fsck.fat")) {
    EXPECT_EQ(RunCommand("fsck.fat -n " + Quote(image_)).exit_code, 0);
  }
}

TEST_F(SavedCardTest, LaterFileReusesPartOfADeletedOne) {
  FormatOrFail(card_, Fat16With4KClusters());
  ASSERT_TRUE(card_.WriteFile("OLD.JPG", MakeData(40000, 1)).ok());
  ASSERT_TRUE(card_.Delete("OLD.JPG").ok());
  uint32_t third = 0;
  ASSERT_TRUE(card_.ClusterOf("OLD.JPG+2", &third).ok());
  ASSERT_TRUE(card_.WriteFile("NEW.JPG", MakeData(9000, 2), {{}, third}).ok());
  ASSERT_TRUE(card_.WriteFile("NEXT.JPG", MakeData(100, 3)).ok());
  Save();
  const ManifestRecord& old_file = Record("OLD.JPG");
  const ManifestRecord& new_file = Record("NEW.JPG");
  EXPECT_EQ(new_file.first_cluster, old_file.first_cluster + 2);
  EXPECT_FALSE(old_file.intact) << "its third to fifth clusters now hold NEW.JPG";
  EXPECT_TRUE(new_file.intact);
  EXPECT_GT(Record("NEXT.JPG").first_cluster, old_file.first_cluster + 9)
      << "without from=, allocation continues after the highest cluster used";
}

TEST_F(SavedCardTest, DeletedFolderBecomesALostFolder) {
  FormatOrFail(card_, SmallFat32());
  ASSERT_TRUE(card_.MakeFolder("DCIM").ok());
  ASSERT_TRUE(card_.MakeFolder("DCIM/101KOVA").ok());
  const Content photo = MakeData(3000, 9);
  ASSERT_TRUE(card_.WriteFile("DCIM/101KOVA/KOVA0101.JPG", photo).ok());
  ASSERT_TRUE(card_.WriteFile("DCIM/101KOVA/GONE.JPG", MakeData(600, 1)).ok());
  ASSERT_TRUE(card_.Delete("DCIM/101KOVA/GONE.JPG").ok());
  ASSERT_TRUE(card_.Delete("DCIM/101KOVA").ok());
  Save();
  const ManifestRecord& folder = Record("DCIM/101KOVA");
  const ManifestRecord& lost = Record("DCIM/101KOVA/KOVA0101.JPG");
  EXPECT_EQ(folder.state, EntryState::kDeleted);
  EXPECT_EQ(EntryByte(folder, 0), 0xE5);
  EXPECT_EQ(lost.state, EntryState::kLost);
  EXPECT_EQ(Record("DCIM/101KOVA/GONE.JPG").state, EntryState::kDeleted);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, folder.first_cluster), 0u);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, lost.first_cluster), 0u);
  // The folder's cluster still lists its files, and the lost file's entry is untouched.
  const auto cluster = ReadFileBytes(image_, folder.extents.front().offset, 512);
  EXPECT_EQ(std::string(cluster.begin(), cluster.begin() + 11), ".          ");
  EXPECT_EQ(std::string(cluster.begin() + 32, cluster.begin() + 43), "..         ");
  EXPECT_EQ(EntryByte(lost, 0), 'K');
  EXPECT_GE(static_cast<uint64_t>(lost.entry_offset), folder.extents.front().offset);
  EXPECT_EQ(ExtentBytes(image_, lost), photo.bytes);
  if (HaveTool("fsck.fat")) {
    EXPECT_EQ(RunCommand("fsck.fat -n " + Quote(image_)).exit_code, 0);
  }
}

TEST_F(SavedCardTest, FoldersGrowIntoMoreClustersAndMtoolsListsEverything) {
  FormatOrFail(card_, SmallFat32());
  ASSERT_TRUE(card_.MakeFolder("MANY").ok());
  for (int i = 0; i < 40; ++i) {
    const std::string name = "F" + std::to_string(i) + ".TXT";
    ASSERT_TRUE(card_
                    .WriteFile("MANY/" + name, MakeText(name), {},
                               {"File number " + std::to_string(i) + ".txt", {}})
                    .ok());
  }
  Save();
  const ManifestRecord& many = Record("MANY");
  std::vector<uint32_t> chain;
  ASSERT_TRUE(ParseClusterList(many.clusters, &chain).ok());
  EXPECT_EQ(chain.size(), 8u)
      << "40 files with two long-name entries each, plus dot entries: 122 slots";
  SKIP_WITHOUT_TOOL("mdir");
  const ToolRun listing = RunCommand("mdir -i " + Quote(image_) + " ::MANY");
  EXPECT_NE(listing.output.find("File number 39.txt"), std::string::npos) << listing.output;
  EXPECT_NE(listing.output.find("F0       TXT"), std::string::npos) << listing.output;
  EXPECT_EQ(RunCommand("fsck.fat -n " + Quote(image_)).exit_code, 0);
}

TEST_F(SavedCardTest, RawBytesLandAnywhereInFreeSpace) {
  FormatOrFail(card_, SmallFat16());
  const uint64_t aligned = card_.Layout().ClusterOffset(100);
  const Content one = MakeData(5000, 1);
  const Content two = MakeData(700, 2);
  ASSERT_TRUE(card_.WriteRaw(aligned, one, "aligned").ok());
  ASSERT_TRUE(card_.WriteRaw(aligned + 40 * 512 + 1000, two).ok());
  Save();
  const ManifestRecord& first = Record("aligned");
  const ManifestRecord& second = Record("raw-1");
  EXPECT_EQ(first.state, EntryState::kRaw);
  EXPECT_EQ(first.extents, (std::vector<Extent>{{aligned, 5000}}));
  EXPECT_EQ(second.extents.front().offset % 512, 1000u % 512) << "off the 512-byte grid";
  EXPECT_EQ(ExtentBytes(image_, first), one.bytes);
  EXPECT_EQ(ExtentBytes(image_, second), two.bytes);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 100), 0u) << "raw writes allocate nothing";
}

TEST_F(SavedCardTest, WipeBadClustersAndTruncationShowInTheManifest) {
  FormatOrFail(card_, SmallFat16());
  ASSERT_TRUE(card_.WriteFile("A.JPG", MakeData(8192, 1)).ok());
  ASSERT_TRUE(card_.WriteFile("B.JPG", MakeData(8192, 2)).ok());
  ASSERT_TRUE(card_.Delete("A.JPG").ok());
  uint32_t a_first = 0;
  ASSERT_TRUE(card_.ClusterOf("A.JPG", &a_first).ok());
  ASSERT_TRUE(card_.Wipe({a_first}, 0xFF).ok());
  ASSERT_TRUE(card_.MarkBad({500, 501}).ok());
  ASSERT_TRUE(card_.Truncate(card_.Layout().ClusterOffset(4) + 100).ok());
  Save();
  EXPECT_EQ(std::filesystem::file_size(image_), card_.Layout().ClusterOffset(4) + 100);
  EXPECT_EQ(manifest_.volume.image_bytes, std::filesystem::file_size(image_));
  EXPECT_EQ(manifest_.volume.bad_clusters, "500-501");
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 500), 0xFFF7u);
  EXPECT_FALSE(Record("A.JPG").intact) << "wiped";
  EXPECT_FALSE(Record("B.JPG").intact) << "cut off by the truncation";
  EXPECT_EQ(ReadFileBytes(image_, Record("A.JPG").extents.front().offset, 4),
            std::vector<uint8_t>(4, 0xFF));
}

TEST_F(SavedCardTest, DamagedFoldersLoopAndLinkToThemselves) {
  FormatOrFail(card_, SmallFat32());
  ASSERT_TRUE(card_.MakeFolder("LOOP").ok());
  ASSERT_TRUE(card_.MakeFolder("SELF").ok());
  ASSERT_TRUE(card_.LoopFolder("LOOP").ok());
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(card_.WriteFile("LOOP/F" + std::to_string(i), MakeText("x")).ok())
        << "grows the looped folder";
  }
  ASSERT_TRUE(card_.LinkFolder("SELF", "AGAIN", "SELF").ok());
  Save();
  const ManifestRecord& loop = Record("LOOP");
  const ManifestRecord& link = Record("SELF/AGAIN");
  EXPECT_TRUE(loop.looped);
  std::vector<uint32_t> chain;
  ASSERT_TRUE(ParseClusterList(loop.clusters, &chain).ok());
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, chain[0]), chain[1]);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, chain[1]), chain[0])
      << "still loops after growing";
  EXPECT_EQ(link.link_to, "SELF");
  EXPECT_EQ(link.first_cluster, Record("SELF").first_cluster);
  EXPECT_EQ(EntryByte(link, 11), 0x10);
  if (HaveTool("fsck.fat")) {
    EXPECT_NE(RunCommand("fsck.fat -n " + Quote(image_)).exit_code, 0) << "fsck sees the damage";
  }
}

TEST(CardOperations, RefusedOperationsChangeNothing) {
  CardBuilder card;
  FormatOrFail(card, SmallFat12());
  const Manifest before = card.MakeManifest();
  const Bytes fat_before = card.Fat().Encode(card.Layout().sectors_per_fat);
  const std::vector<std::pair<Status, std::string>> refusals = {
      {card.WriteFile("NOFOLDER/A.TXT", MakeText("x")), "does not exist"},
      {card.WriteFile("lower.txt", MakeText("x")), "not allowed"},
      {card.WriteFile("TOOLONGNAME.TXT", MakeText("x")), "more than 8"},
      {card.WriteFile("BIG.DAT", MakeData(4 << 20, 1)), "card is full"},
      {card.WriteFile("A.TXT", MakeText("hello"), {{2, 2}}), "clusters"},
      {card.WriteFile("A.TXT", MakeText("hello"), {{1}}), "outside"},
      {card.WriteFile("A.TXT", MakeText("x"), {}, {"bad/name", {}}), "forbids"},
      {card.Delete("MISSING.TXT"), "does not exist"},
      {card.WriteRaw(0, MakeText("boot")), "data area"},
      {card.LoopFolder(""), "no cluster chain"},
      {card.Truncate(uint64_t{1} << 40), "only"},
  };
  for (const auto& [status, expected] : refusals) {
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(expected), std::string::npos)
        << status.message() << " / " << expected;
  }
  EXPECT_EQ(card.MakeManifest().records.size(), before.records.size());
  EXPECT_EQ(card.Fat().Encode(card.Layout().sectors_per_fat), fat_before);
  EXPECT_EQ(card.Fat().FreeCount(), card.Layout().cluster_count);
}

TEST(CardOperations, FullRootFolderIsRefusedOnFat16) {
  CardBuilder card;
  VolumeOptions options = SmallFat16();
  options.root_entries = 16;
  options.label = "";
  FormatOrFail(card, options);
  for (int i = 0; i < 16; ++i)
    ASSERT_TRUE(card.WriteFile("F" + std::to_string(i), MakeText("x")).ok());
  const Status full = card.WriteFile("ONEMORE", MakeText("x"));
  EXPECT_NE(full.message().find("root folder is full"), std::string::npos) << full.message();
  EXPECT_EQ(card.Fat().FreeCount(), card.Layout().cluster_count - 16)
      << "no cluster taken for the refused file";
}

}  // namespace
}  // namespace kova::mkcard::test
