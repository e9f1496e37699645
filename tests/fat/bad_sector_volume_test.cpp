#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fat/fat_recovery_fixture.h"
#include "fat/tool_card.h"
#include "framework/error_data.h"
#include "recovery/found_file_sink.h"
#include "storage/bad_sector_map.h"
#include "storage/buf_disk_stream.h"
#include "support/faulty_device.h"

// FAT volumes on a card with bad sectors in their structures: the files around them are still
// listed, with the chains the table holds.
namespace kova {
namespace {

using test::Clusters;
using test::Describe;
using test::ExtentsOf;
using test::FixtureCard;

constexpr int64_t kSector = 512;

// The FAT recovery of a card behind the fault-injecting device, on the test's thread.
struct FailingCardRun {
  FailingCardRun(const std::filesystem::path& image, std::vector<TXFaultPlan::Range> bad)
      : plan(std::make_shared<TXFaultPlan>()),
        scope(FaultyDeviceOpener("/dev/kova-card", image.string(), plan)) {
    plan->BadRanges = std::move(bad);
    opened = io.Open("/dev/kova-card");
    if (opened) loaded = disk.Open(test::WholeMedium(io));
  }
  ~FailingCardRun() { ClearThreadError(); }
  void FromDirectories() { disk.RecoverFromDirectories(*worker, sink); }

  std::shared_ptr<TXFaultPlan> plan;
  TXDeviceOpenerScope scope;
  TXDiskIO io;
  TXDRFATDisk disk;
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  TXDRImmediateSink sink{*worker};
  test::OfferedFiles offered{*worker};
  bool opened = false;
  bool loaded = false;
};

std::string Numbered(int n) {
  std::string digits = std::to_string(n);
  return "IMG_" + std::string(4 - digits.size(), '0') + digits + ".JPG";
}

// A FAT16 card in 4 KiB clusters whose DCIM folder (cluster 2) holds 40 short-named files, so
// that its entries fill three of the cluster's sectors, and one photo whose chain lies in the
// second sector of the table.
class BadSectorVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Builder().MakeFolder("DCIM", {}, Clusters({2})));
    for (int n = 1; n <= 40; ++n)
      KOVA_CARD_OK(card.Builder().WriteFile("DCIM/" + Numbered(n), mkcard::MakeData(100, n)));
    KOVA_CARD_OK(card.Builder().WriteFile("CHAINED.JPG", mkcard::MakeData(5 * 4096, 3),
                                          Clusters({300, 301, 302, 600, 601})));
    KOVA_CARD_OK(card.Save());
  }
  int64_t FatSector(uint32_t copy, uint32_t entry) const {
    const auto& volume = card.Manifest().volume;
    const int64_t table =
        static_cast<int64_t>(volume.fat_offset) + int64_t{copy} * volume.sectors_per_fat * kSector;
    return table + entry * 2 / kSector * kSector;
  }
  int64_t SectorOf(const std::string& path) const {
    return card.Record(path).entry_offset / kSector * kSector;
  }

  FixtureCard card{test::Fat16Options()};
};

TEST_F(BadSectorVolumeTest, AnUnreadableSectorOfTheFirstTableIsReadFromTheSecond) {
  FailingCardRun run(card.Image(), {{FatSector(0, 300), kSector}});
  ASSERT_TRUE(run.loaded);
  EXPECT_EQ(run.disk.FAT().NextCluster(302), 600u);
  run.FromDirectories();
  const TXDRFileItem* chained = run.offered.Find("CHAINED.JPG");
  ASSERT_NE(chained, nullptr);
  EXPECT_EQ(chained->Blocks(), ExtentsOf(card.Record("CHAINED.JPG")))
      << Describe(chained->Blocks());
  EXPECT_EQ(run.offered.Count(), 41u);
  EXPECT_GE(run.plan->FailedReadsOf(0), 1);
}

TEST_F(BadSectorVolumeTest, EntriesNoTableCopyHoldsAreFreeAndTheVolumeStays) {
  FailingCardRun run(card.Image(), {{FatSector(0, 300), kSector}, {FatSector(1, 300), kSector}});
  ASSERT_TRUE(run.loaded);
  EXPECT_EQ(run.disk.FAT().ClusterState(301), clAvailable);
  // The entries of the other sectors are as written.
  EXPECT_EQ(run.disk.FAT().NextCluster(600), 601u);
  run.FromDirectories();
  // The photo whose chain the table no longer holds is not offered as a live file.
  EXPECT_EQ(run.offered.Count(), 40u);
  EXPECT_EQ(run.offered.Find("CHAINED.JPG"), nullptr);
}

TEST_F(BadSectorVolumeTest, AFolderClusterKeepsTheEntriesOfItsReadableSectors) {
  const int64_t bad = SectorOf("DCIM/" + Numbered(20));
  FailingCardRun run(card.Image(), {{bad, kSector}});
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();
  std::set<std::string> expected{"CHAINED.JPG"};
  for (int n = 1; n <= 40; ++n) {
    const std::string path = "DCIM/" + Numbered(n);
    if (SectorOf(path) != bad) expected.insert(Numbered(n));
  }
  ASSERT_GE(expected.size(), 20u);  // the bad sector is one of three
  const std::vector<std::string> names = run.offered.Names();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
  for (const std::string& name : expected) {
    const TXDRFileItem* file = run.offered.Find(name);
    ASSERT_NE(file, nullptr) << name;
    const std::string path = name == "CHAINED.JPG" ? name : "DCIM/" + name;
    EXPECT_EQ(file->Blocks(), ExtentsOf(card.Record(path))) << name;
  }
}

TEST_F(BadSectorVolumeTest, AnImagesMapfileTellsTheFolderWhichSectorItLacks) {
  // As an image copy leaves it: zeros in the bad sector, and the mapfile naming it.
  const int64_t bad = SectorOf("DCIM/" + Numbered(20));
  {
    std::fstream image(card.Image(), std::ios::in | std::ios::out | std::ios::binary);
    image.seekp(bad);
    image.write(std::string(kSector, '\0').data(), kSector);
  }
  TXBadSectorMap map(static_cast<int64_t>(std::filesystem::file_size(card.Image())));
  map.Mark(0, map.Size(), TXSectorState::ssFinished);
  map.Mark(bad, kSector, TXSectorState::ssBad);
  int error = 0;
  const std::string mapfile = card.Image().string() + ".map";
  ASSERT_TRUE(map.SaveMapfile(mapfile, error)) << error;
  test::FatRecoveryRun run(card.Image());
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();
  size_t listed = 0;
  for (int n = 1; n <= 40; ++n) {
    const bool lost = SectorOf("DCIM/" + Numbered(n)) == bad;
    EXPECT_EQ(run.offered.Find(Numbered(n)) == nullptr, lost) << Numbered(n);
    listed += !lost;
  }
  EXPECT_GE(listed, 20u);
  ClearThreadError();
}

// The short entry of `name` (8.3, "NAME    EXT") in the image: its sector.
int64_t SectorOfShortEntry(const std::vector<uint8_t>& image, const std::string& shortName) {
  auto at = std::search(image.begin(), image.end(), shortName.begin(), shortName.end());
  return at == image.end() ? -1 : (at - image.begin()) / kSector * kSector;
}

TEST(BadSectorToolCard, FilesAreListedByNameThoughATableAndAFolderSectorAreBad) {
  KOVA_FAT_TOOLS_OR_SKIP();
  test::ToolCard card;
  ASSERT_TRUE(card.Partition(32 << 20, ""));
  ASSERT_TRUE(card.Format(0, 0, 32 << 10, 16, 8, "FAILING"));
  // The folder lies well past the table: a failure is trimmed from a skip of 64 KiB past it, and
  // what lies between two failures that close is left unread.
  ASSERT_TRUE(card.Write(0, "FILLER.DAT", mkcard::MakeData(256 << 10, 99).bytes));
  for (int n = 1; n <= 48; ++n)
    ASSERT_TRUE(card.Write(0, "DCIM/" + Numbered(n), mkcard::MakeData(9000, n).bytes));
  const std::vector<uint8_t> image = test::ReadFileBytes(card.Image());
  const TXBootSector boot(std::span<const uint8_t>(image.data(), TXBootSector::kSize));
  // Every file's chain lies in the table's first sector; the folder's second sector holds the
  // short entries of the photos from the 15th to the 30th.
  const int64_t badTable = boot.FatOffset(0);
  const int64_t badFolder = SectorOfShortEntry(image, "IMG_0024JPG");
  ASSERT_GT(badFolder, 0);
  FailingCardRun run(card.Image(), {{badTable, kSector}, {badFolder, kSector}});
  ASSERT_TRUE(run.loaded);
  run.FromDirectories();
  size_t listed = 0;
  for (const test::ToolCardFile& file : card.Files()) {
    std::string shortName = file.Name();
    shortName.replace(shortName.find('.'), 1, "");
    const bool lost = SectorOfShortEntry(image, shortName) == badFolder;
    const TXDRFileItem* found = run.offered.Find(file.Name());
    EXPECT_EQ(found == nullptr, lost) << file.path;
    if (!found) continue;
    ++listed;
    EXPECT_EQ(test::FoundBytes(card.Image(), *found), file.bytes) << file.path;
  }
  EXPECT_GE(listed, 30u);
  EXPECT_LT(listed, card.Files().size());
}

}  // namespace
}  // namespace kova
