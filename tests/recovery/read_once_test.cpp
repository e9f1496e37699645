#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "card_builder.h"
#include "fat/card_fixture.h"
#include "framework/stream.h"
#include "framework/worker.h"
#include "recipe.h"
#include "recovery/block_scan.h"
#include "recovery/found_extents.h"
#include "recovery/found_file_queue.h"
#include "recovery/scan_harness.h"
#include "support/faulty_device.h"
#include "support/offered_files.h"
#include "support/test_paths.h"

// How many bytes a deep scan takes from the card. The search reads each byte once; before it, the
// lost-folder searches look at the first entries of every free cluster, which is one page of it,
// not the window around it (that read the whole free space a first time, twice the card in all).
// The search of the used area reads only that area, not the free space between its files again.
// What is still read twice: the heads of the live photos for their thumbnails, and the windows
// where free and used space meet.
namespace kova {
namespace {

using test::ScanHarness;

constexpr const char* kDrive = "/dev/kova-counted";

// A card a camera has used for a while: photos written one after another, some deleted, and
// half of the card still free.
std::string CameraCard(const std::string& volume) {
  std::string recipe = volume + "\nfolder DCIM\nfolder DCIM/100CAMRA\n";
  for (int i = 1; i <= 24; ++i) {
    recipe += "file DCIM/100CAMRA/IMG_" + std::to_string(1000 + i) +
              ".JPG photo=1024x768 thumbnail=yes seed=" + std::to_string(i) + "\n";
  }
  for (int i = 3; i <= 24; i += 5)
    recipe += "delete DCIM/100CAMRA/IMG_" + std::to_string(1000 + i) + ".JPG\n";
  return recipe;
}

constexpr int64_t kPage = 4096;
// What these cards of small photos are read with, at most: 1.17 times their size on the FAT16
// card (a page of each of its free 32 KiB clusters), 1.15 on the exFAT card.
constexpr double kMostReadings = 1.2;

struct ReadCount {
  int64_t cardBytes = 0;
  int64_t clusters = 0;
  int64_t bytesRead = 0;
  int32_t files = 0;
};

ReadCount ScanCounted(const std::string& recipe, int64_t clusterBytes) {
  test::TempDir dir;
  const std::filesystem::path image = dir / "card.img";
  mkcard::CardBuilder builder;
  const mkcard::Status built = mkcard::RunRecipe(recipe, {{}, test::SamplesDir()}, &builder);
  EXPECT_TRUE(built.ok()) << built.message();
  EXPECT_TRUE(builder.Save(image).ok());
  auto plan = std::make_shared<TXFaultPlan>();
  plan->LogReads = true;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, image.string(), plan));
  ScanHarness scan;
  EXPECT_TRUE(scan.ScanDrive(kDrive));
  EXPECT_EQ(scan.endCode, kErrNone);
  ReadCount count;
  count.cardBytes = static_cast<int64_t>(std::filesystem::file_size(image));
  count.clusters = count.cardBytes / clusterBytes;
  for (const TXFaultPlan::Range& read : plan->ReadsMade())
    count.bytesRead += read.Size;
  count.files = scan.Files().Count();
  return count;
}

struct CardKind {
  const char* name;
  const char* volume;
  int64_t clusterBytes;
};

void PrintTo(const CardKind& kind, std::ostream* out) {
  *out << kind.volume;
}

class ReadOnce : public testing::TestWithParam<CardKind> {};

TEST_P(ReadOnce, ADeepScanReadsTheCardOnceBesidesAPagePerFreeCluster) {
  const ReadCount count = ScanCounted(CameraCard(GetParam().volume), GetParam().clusterBytes);
  EXPECT_GT(count.files, 20);
  const auto most = static_cast<int64_t>(kMostReadings * static_cast<double>(count.cardBytes)) +
                    count.clusters * kPage;
  EXPECT_LE(count.bytesRead, most) << count.bytesRead << " bytes read of a card of "
                                   << count.cardBytes << " in " << count.clusters << " clusters";
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, ReadOnce,
    testing::Values(CardKind{"Fat16", "volume fat16 size=128M cluster=32K", 32 << 10},
                    CardKind{"ExFat", "volume exfat size=64M cluster=128K", 128 << 10}),
    [](const testing::TestParamInfo<CardKind>& info) { return std::string(info.param.name); });

// The search of the used area looks for starts only there, and measures what it finds through
// whatever lies after them: a photo starting in the free space before it is not found again, one
// starting in it is found whole although it runs on past its end.
TEST(ReadOnceSearch, FindsStartOnlyWhereTheyMayAndAreMeasuredThroughTheWholeStream) {
  const std::vector<uint8_t> first = test::Photo(320, 240, 1).bytes;
  const std::vector<uint8_t> second = test::Photo(320, 240, 2).bytes;
  constexpr int64_t kSecondAt = 64 << 10;
  std::vector<uint8_t> bytes(kSecondAt + second.size() + 4096, 0);
  std::copy(first.begin(), first.end(), bytes.begin());
  std::copy(second.begin(), second.end(), bytes.begin() + kSecondAt);
  TXMemoryStream medium(bytes);
  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  test::OfferedFiles offered(*worker);
  TXSearch search;
  search.SetWorker(worker);
  TXBlocks whole, starts;
  whole.Add(0, medium.Size());
  starts.Add(32 << 10, 4096);
  starts.Add(kSecondAt, 4096);
  TXDRFoundExtents taken;
  {
    TXDRFoundFileQueue queue(*worker, 1, {});
    ScanBlocks(search, medium, whole, starts, taken, queue);
  }
  ASSERT_EQ(offered.Count(), 1u);
  TXBlocks expected;
  expected.Add(kSecondAt, static_cast<int64_t>(second.size()));
  EXPECT_EQ(offered[0].Blocks(), expected);
}

}  // namespace
}  // namespace kova
