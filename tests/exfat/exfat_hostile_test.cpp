// Damaged and hostile exFAT volumes: every walk ends, nothing is offered twice, and values no
// formatter writes never make the reader allocate or follow more than the medium holds.
#include <gtest/gtest.h>

#include <fstream>

#include "exfat/exfat_fixture.h"
#include "storage/exfat_boot_region.h"

namespace kova {
namespace {

using test::ExfatCard;
using test::ExfatClusters;
using test::ExfatRun;

void PutLE(const std::filesystem::path& image, int64_t offset, uint64_t value, int width) {
  std::vector<char> bytes(static_cast<size_t>(width));
  for (int i = 0; i < width; ++i)
    bytes[static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(bytes.data(), width);
}

class ExfatHostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("A"));
    KOVA_CARD_OK(card.Volume().MakeExfatFolder("A/B"));
    KOVA_CARD_OK(card.Volume().WriteExfatFile("A/one.dat", mkcard::MakeData(5000, 1)));
    KOVA_CARD_OK(card.Volume().WriteExfatFile("A/B/two.dat", mkcard::MakeData(5000, 2)));
    KOVA_CARD_OK(card.Volume().WriteExfatFile("chain.dat", mkcard::MakeData(9000, 3),
                                              ExfatClusters({50, 52, 54})));
    KOVA_CARD_OK(card.Save());
  }
  // Patches the stream entry of a path's set (the set checksum stays as it was).
  void PatchStream(const std::string& path, int at, uint64_t value, int width) {
    PutLE(card.Image(), card.Record(path).entry_offset + 32 + at, value, width);
  }
  void PatchFat(uint32_t cluster, uint32_t value) {
    PutLE(card.Image(), static_cast<int64_t>(card.Manifest().volume.fat_offset) + 4 * cluster,
          value, 4);
  }
  std::vector<std::string> Offered() {
    ExfatRun run(card.Image());
    EXPECT_TRUE(run.opened);
    run.Everything();
    std::vector<std::string> names = run.offered.Names();
    std::sort(names.begin(), names.end());
    return names;
  }

  ExfatCard card;
};

TEST_F(ExfatHostileTest, FoldersLinkedToTheirParentsAreReadOnce) {
  PatchStream("A", 20, card.RootCluster(), 4);
  PatchStream("A/B", 20, card.Record("A").first_cluster, 4);
  EXPECT_EQ(Offered(), (std::vector<std::string>{"chain.dat"}))
      << "A now names the root, which was read already";
}

TEST_F(ExfatHostileTest, FolderLinkedToItselfEndsTheWalk) {
  PatchStream("A/B", 20, card.Record("A").first_cluster, 4);
  EXPECT_EQ(Offered(), (std::vector<std::string>{"chain.dat", "one.dat"}));
}

TEST_F(ExfatHostileTest, LoopingChainsEnd) {
  PatchFat(52, 50);  // the file's chain goes back before its end
  PatchFat(card.RootCluster(), card.RootCluster());
  EXPECT_EQ(Offered(), (std::vector<std::string>{"one.dat", "two.dat"}))
      << "a file whose chain loops before its end is not offered";
}

TEST_F(ExfatHostileTest, ChainsLeavingTheHeapEnd) {
  PatchFat(52, 0xFFFFFFF0);
  PatchStream("A/one.dat", 20, 0xFFFFFFFF, 4);
  EXPECT_EQ(Offered(), (std::vector<std::string>{"two.dat"}));
}

TEST_F(ExfatHostileTest, ImpossibleSizesAreNotFollowed) {
  PatchStream("A/one.dat", 24, uint64_t{1} << 62, 8);       // data length past the heap
  PatchStream("A/B/two.dat", 8, uint64_t{1} << 40, 8);      // valid length past the data length
  PatchStream("chain.dat", 3, 255, 1);                      // a name longer than its entries
  PatchStream("A/B", 24, uint64_t{0xFFFFFFFFFFFFFFFF}, 8);  // a folder of every cluster and more
  EXPECT_EQ(Offered(), (std::vector<std::string>{}));
}

TEST_F(ExfatHostileTest, BootSectorClaimingMoreClustersThanTheImageHoldsIsBoundedByTheImage) {
  // Billions of clusters in a volume of the same claimed length: plausible, checksum and all.
  std::vector<uint8_t> region(12 * 512);
  {
    std::ifstream in(card.Image(), std::ios::binary);
    in.read(reinterpret_cast<char*>(region.data()), static_cast<std::streamsize>(region.size()));
  }
  auto put = [&region](size_t at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
      region[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  const uint32_t clusters = 0xFFFFFF00;
  put(72, uint64_t{clusters} * 8 + (uint64_t{1} << 30), 8);  // volume length in sectors
  put(84, (uint64_t{clusters} + 2) * 4 / 512 + 1, 4);        // FAT length
  put(88, (uint64_t{clusters} + 2) * 4 / 512 + 1024, 4);     // heap after the FAT
  put(92, clusters, 4);
  const uint32_t sum = ExfatBootChecksum(region, 512);
  for (size_t at = 11 * 512; at < 12 * 512; at += 4)
    put(at, sum, 4);
  std::fstream file(card.Image(), std::ios::in | std::ios::out | std::ios::binary);
  file.write(reinterpret_cast<const char*>(region.data()),
             static_cast<std::streamsize>(region.size()));
  file.close();
  ExfatRun run(card.Image());
  EXPECT_FALSE(run.opened) << "its root now lies beyond the image";
  EXPECT_LE(run.recovery.Volume().ClusterLimit(), (32u << 20) / 4096);
}

TEST(ExfatCutImage, FilesBeyondTheEndAreLeftAndTheRestComesBack) {
  ExfatCard card;
  KOVA_CARD_OK(card.Volume().WriteExfatFile("near.dat", mkcard::MakeData(5000, 1)));
  KOVA_CARD_OK(card.Volume().WriteExfatFile("far.dat", mkcard::MakeData(5000, 2),
                                            ExfatClusters({7000, 7001})));
  KOVA_CARD_OK(card.Save());
  std::filesystem::resize_file(card.Image(), card.ClusterOffset(4000));
  ExfatRun run(card.Image());
  ASSERT_TRUE(run.opened);
  run.Everything();
  EXPECT_EQ(run.offered.Names(), std::vector<std::string>{"near.dat"});
  EXPECT_LT(run.recovery.Volume().ClusterLimit(), 4000u);
}

}  // namespace
}  // namespace kova
