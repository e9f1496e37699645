#include "storage/volume_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "framework/stream.h"
#include "support/fat_images.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

constexpr int64_t kMiB = 1 << 20;

TXVolumeSystem ReadImage(const std::filesystem::path& image, uint32_t sectorSize = 0) {
  TXMemoryStream medium(test::ReadFileBytes(image));
  return ReadVolumeSystem(medium, sectorSize);
}

void Patch(const std::filesystem::path& image, int64_t offset, std::vector<uint8_t> bytes) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> LittleEndian32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

bool HasProblem(const TXVolumeSystem& system, TXTableProblemKind kind, int32_t number) {
  for (const TXTableProblem& problem : system.Problems)
    if (problem.Kind == kind && problem.Number == number) return true;
  return false;
}

class VolumeSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HavePartitionTool()) GTEST_SKIP() << "sfdisk is needed to write partition tables";
  }
  test::TempDir dir_;
  std::filesystem::path image_ = dir_ / "card.img";
};

TEST_F(VolumeSystemTest, MbrPrimaryAndLogicalPartitionsAsWritten) {
  ASSERT_TRUE(test::MakePartitionedImage(image_, 64 * kMiB,
                                         "label: dos\n"
                                         "start=8192, size=16384, type=c\n"
                                         "start=24576, size=8192, type=6\n"
                                         "start=40960, type=5\n"
                                         "start=43008, size=4096, type=e\n"
                                         "start=49152, size=8192, type=b\n"));
  TXVolumeSystem system = ReadImage(image_);
  EXPECT_EQ(system.Scheme, TXPartitionScheme::psMbr);
  EXPECT_TRUE(system.Problems.empty());
  ASSERT_EQ(system.Partitions.size(), 5u);
  struct Expected {
    int32_t number;
    int64_t start, size;
    uint8_t type;
  };
  const Expected expected[] = {{1, 8192, 16384, 0x0C},
                               {2, 24576, 8192, 0x06},
                               {3, 40960, 64 * 2048 - 40960, 0x05},
                               {5, 43008, 4096, 0x0E},
                               {6, 49152, 8192, 0x0B}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(system.Partitions[i].Number, expected[i].number);
    EXPECT_EQ(system.Partitions[i].Start, expected[i].start * 512);
    EXPECT_EQ(system.Partitions[i].Size, expected[i].size * 512);
    EXPECT_EQ(system.Partitions[i].MbrType, expected[i].type);
  }
  // The Sleuth Kit's view of the same table, where it is installed.
  std::string mmls = test::ToolOutput("mmls " + image_.string() + " 2>/dev/null");
  for (const Expected& partition : expected) {
    if (mmls.empty() || partition.type == 0x05) continue;
    char start[16];
    std::snprintf(start, sizeof start, "%010lld", static_cast<long long>(partition.start));
    EXPECT_NE(mmls.find(start), std::string::npos) << start;
  }
  std::vector<TXVolumeExtent> volumes = system.Volumes(64 * kMiB);
  ASSERT_EQ(volumes.size(), 4u);  // the extended container holds no file system
  EXPECT_EQ(volumes[2].Number, 5);
  EXPECT_EQ(volumes[3].Start, 49152 * 512);
}

TEST_F(VolumeSystemTest, BadEntriesAreReportedAndLeftOutWhileTheOthersStay) {
  ASSERT_TRUE(test::MakePartitionedImage(image_, 64 * kMiB,
                                         "label: dos\n"
                                         "start=2048, size=8192, type=c\n"
                                         "start=10240, size=8192, type=c\n"
                                         "start=18432, size=8192, type=c\n"
                                         "start=26624, size=8192, type=c\n"));
  Patch(image_, 446 + 16 * 1 + 8, LittleEndian32(1u << 20));  // after the end of the medium
  Patch(image_, 446 + 16 * 2 + 8, LittleEndian32(4096));      // into the first partition
  Patch(image_, 446 + 16 * 3 + 8, LittleEndian32(0));         // onto the table itself
  TXVolumeSystem system = ReadImage(image_);
  EXPECT_EQ(system.Scheme, TXPartitionScheme::psMbr);
  ASSERT_EQ(system.Partitions.size(), 1u);
  EXPECT_EQ(system.Partitions[0].Number, 1);
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpPastEnd, 2));
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpOverlap, 3));
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpInsideTable, 4));
}

TEST_F(VolumeSystemTest, ALoopingExtendedChainEndsAndKeepsWhatCameBefore) {
  ASSERT_TRUE(test::MakePartitionedImage(image_, 32 * kMiB,
                                         "label: dos\n"
                                         "start=2048, type=5\n"
                                         "start=4096, size=4096, type=c\n"
                                         "start=10240, size=4096, type=c\n"));
  // The second record links back to the first.
  const int64_t second = 8192 * 512;
  Patch(image_, second + 446 + 16 + 4, {0x05});
  Patch(image_, second + 446 + 16 + 8, LittleEndian32(0));
  Patch(image_, second + 446 + 16 + 12, LittleEndian32(2048));
  TXVolumeSystem system = ReadImage(image_);
  ASSERT_EQ(system.Volumes(32 * kMiB).size(), 2u);
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpChainBroken, 1));
}

// An extended boot record's partition entry (slot 0 to 3) as bytes: type, first sector
// (relative to the record for a partition, to the extended partition for a link) and size.
void PatchEbrEntry(const std::filesystem::path& image, int64_t record, int slot, uint8_t type,
                   uint32_t first, uint32_t sectors) {
  const int64_t at = record * 512 + 446 + 16 * slot;
  Patch(image, at + 4, {type});
  Patch(image, at + 8, LittleEndian32(first));
  Patch(image, at + 12, LittleEndian32(sectors));
}

TEST_F(VolumeSystemTest, ARecordOfTheChainMayHoldSeveralPartitionsBesidesItsLink) {
  ASSERT_TRUE(test::MakePartitionedImage(image_, 32 * kMiB,
                                         "label: dos\n"
                                         "start=2048, type=5\n"
                                         "start=4096, size=4096, type=6\n"
                                         "start=10240, size=2048, type=6\n"
                                         "start=20480, size=4096, type=6\n"));
  // The second record (sector 8192) gets a second partition at 14336 and its link moves on to
  // the third slot, as a forensic test disk has it.
  const int64_t second = 8192;
  PatchEbrEntry(image_, second, 2, 0x05, 18432 - 2048, 6144);
  PatchEbrEntry(image_, second, 1, 0x06, 14336 - second, 4096);
  TXVolumeSystem system = ReadImage(image_);
  EXPECT_TRUE(system.Problems.empty());
  std::vector<TXVolumeExtent> volumes = system.Volumes(32 * kMiB);
  const int64_t starts[] = {4096, 10240, 14336, 20480};
  ASSERT_EQ(volumes.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(volumes[i].Number, static_cast<int32_t>(5 + i));
    EXPECT_EQ(volumes[i].Start, starts[i] * 512);
  }
  // The Sleuth Kit lists the same partitions, where it is installed.
  std::string mmls = test::ToolOutput("mmls " + image_.string() + " 2>/dev/null");
  for (int64_t start : starts) {
    char text[16];
    std::snprintf(text, sizeof text, "%010lld", static_cast<long long>(start));
    if (!mmls.empty()) {
      EXPECT_NE(mmls.find(text), std::string::npos) << text << "\n" << mmls;
    }
  }
}

TEST_F(VolumeSystemTest, LinksThatPointBackOrBranchReadEachRecordOnce) {
  ASSERT_TRUE(test::MakePartitionedImage(image_, 32 * kMiB,
                                         "label: dos\n"
                                         "start=2048, type=5\n"
                                         "start=4096, size=4096, type=6\n"
                                         "start=10240, size=4096, type=6\n"));
  // Every slot of the second record links: back to the first, to itself, to the first again,
  // and past the extended partition.
  const int64_t second = 8192;
  PatchEbrEntry(image_, second, 0, 0x05, 0, 2048);
  PatchEbrEntry(image_, second, 1, 0x0F, second - 2048, 2048);
  PatchEbrEntry(image_, second, 2, 0x85, 0, 2048);
  PatchEbrEntry(image_, second, 3, 0x05, 1u << 30, 2048);
  TXVolumeSystem system = ReadImage(image_);
  std::vector<TXVolumeExtent> volumes = system.Volumes(32 * kMiB);
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].Start, 4096 * 512);
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpChainBroken, 1));
}

TEST_F(VolumeSystemTest, AnImageThatStoppedEarlyKeepsThePartitionsItReachesAsFarAsItGoes) {
  ASSERT_TRUE(test::MakePartitionedImage(image_, 64 * kMiB,
                                         "label: dos\n"
                                         "start=2048, size=16384, type=c\n"
                                         "start=18432, type=5\n"
                                         "start=20480, size=40960, type=c\n"
                                         "start=63488, size=2048, type=c\n"));
  // The copy stopped 24 MiB in: inside the first logical partition.
  std::filesystem::resize_file(image_, 24 * kMiB);
  TXVolumeSystem system = ReadImage(image_);
  std::vector<TXVolumeExtent> volumes = system.Volumes(24 * kMiB);
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].Missing, 0);
  EXPECT_EQ(volumes[1].Number, 5);
  EXPECT_EQ(volumes[1].Start, 20480 * 512);
  EXPECT_EQ(volumes[1].Size, 24 * kMiB - 20480 * 512);
  EXPECT_EQ(volumes[1].Missing, (20480 + 40960) * 512 - 24 * kMiB);
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpCut, 2)) << "the extended partition";
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpCut, 5));
  // The chain's second record lies past the end: the rest of the chain is unknown.
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpChainBroken, 2));

  // A GPT whose backup and last partitions lie past the end.
  ASSERT_TRUE(test::MakePartitionedImage(image_, 64 * kMiB,
                                         "label: gpt\n"
                                         "start=2048, size=16384, type=L\n"
                                         "start=20480, size=40960, type=L\n"
                                         "start=63488, size=2048, type=L\n"));
  std::filesystem::resize_file(image_, 24 * kMiB);
  TXVolumeSystem gpt = ReadImage(image_);
  ASSERT_EQ(gpt.Scheme, TXPartitionScheme::psGpt);
  ASSERT_EQ(gpt.Partitions.size(), 2u);
  EXPECT_EQ(gpt.Partitions[1].Missing, (20480 + 40960) * 512 - 24 * kMiB);
  EXPECT_TRUE(HasProblem(gpt, TXTableProblemKind::tpPastEnd, 3));
}

TEST_F(VolumeSystemTest, GptPartitionsAndTheBackupWhenThePrimaryIsDamaged) {
  ASSERT_TRUE(test::MakePartitionedImage(
      image_, 64 * kMiB,
      "label: gpt\n"
      "start=2048, size=16384, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7, name=\"Photos\"\n"
      "start=20480, size=8192, type=0FC63DAF-8483-4772-8E79-3D69D8477DE4\n"));
  TXVolumeSystem system = ReadImage(image_);
  ASSERT_EQ(system.Scheme, TXPartitionScheme::psGpt);
  ASSERT_EQ(system.Partitions.size(), 2u);
  EXPECT_EQ(system.Partitions[0].Start, 2048 * 512);
  EXPECT_EQ(system.Partitions[0].Size, 16384 * 512);
  EXPECT_EQ(system.Partitions[0].Name, "Photos");
  EXPECT_EQ(system.Partitions[0].GptType, "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
  EXPECT_EQ(system.Partitions[1].Number, 2);
  EXPECT_TRUE(system.Problems.empty());

  Patch(image_, 512 + 40, {0xFF});  // the primary header no longer matches its checksum
  TXVolumeSystem backup = ReadImage(image_);
  EXPECT_EQ(backup.Scheme, TXPartitionScheme::psGpt);
  EXPECT_EQ(backup.Partitions.size(), 2u);
  EXPECT_TRUE(HasProblem(backup, TXTableProblemKind::tpGptPrimary, 0));

  Patch(image_, 64 * kMiB - 512, std::vector<uint8_t>(512, 0));  // and the backup is gone
  TXVolumeSystem none = ReadImage(image_);
  EXPECT_EQ(none.Scheme, TXPartitionScheme::psNone);
  EXPECT_TRUE(HasProblem(none, TXTableProblemKind::tpGptDamaged, 0));
  ASSERT_EQ(none.Volumes(64 * kMiB).size(), 1u);
  EXPECT_EQ(none.Volumes(64 * kMiB)[0].Size, 64 * kMiB);
}

TEST_F(VolumeSystemTest, DamagedGptEntriesSendTheReaderToTheBackupCopy) {
  ASSERT_TRUE(
      test::MakePartitionedImage(image_, 16 * kMiB, "label: gpt\nstart=2048, size=4096, type=L\n"));
  Patch(image_, 2 * 512 + 32, {0x00, 0x10});  // the first entry's start, primary array only
  TXVolumeSystem system = ReadImage(image_);
  ASSERT_EQ(system.Partitions.size(), 1u);
  EXPECT_EQ(system.Partitions[0].Start, 2048 * 512);
  EXPECT_TRUE(HasProblem(system, TXTableProblemKind::tpGptPrimary, 0));
}

TEST(VolumeSystem, CardsWithoutATableAreOneVolumeFromSectorZero) {
  KOVA_FAT_TOOLS_OR_SKIP();
  test::TempDir dir;
  std::filesystem::path image = dir / "superfloppy.img";
  ASSERT_TRUE(test::MakeFatImage(image, {}));
  TXVolumeSystem system = ReadImage(image);
  EXPECT_EQ(system.Scheme, TXPartitionScheme::psNone);
  std::vector<TXVolumeExtent> volumes = system.Volumes(20 * kMiB);
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].Number, 1);
  EXPECT_EQ(volumes[0].Start, 0);
  EXPECT_EQ(volumes[0].Size, 20 * kMiB);

  TXMemoryStream empty(std::vector<uint8_t>(4096, 0));
  EXPECT_EQ(ReadVolumeSystem(empty, 512).Scheme, TXPartitionScheme::psNone);
  TXMemoryStream noise(test::NoiseBytes(4096, 3));
  EXPECT_EQ(ReadVolumeSystem(noise, 512).Volumes(4096).size(), 1u);
}

}  // namespace
}  // namespace kova
