#include "output/sweep_saver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fat/card_fixture.h"
#include "output/output_harness.h"
#include "storage/buf_disk_stream.h"
#include "support/faulty_device.h"
#include "support/test_files.h"

// Files saved while the scan sweeps a failing card: the damaged ones too, from the run's map.
namespace kova {
namespace {

using test::FixtureCard;
using test::OutputHarness;
using test::ReadFileBytes;

constexpr int64_t kSector = 512;

class SweepSaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Builder().MakeFolder("DCIM"));
    for (int n = 1; n <= 4; ++n) {
      const std::string name = "IMG_000" + std::to_string(n) + ".JPG";
      KOVA_CARD_OK(card.Builder().WriteFile("DCIM/" + name, test::Photo(1024, 768, 20 + n)));
    }
    KOVA_CARD_OK(card.Save());
  }
  // Bad ranges inside two of the photos: 8 sectors at 10 KiB into the first, one sector at
  // 3 KiB into the fourth, further than a trim's skip from the first.
  std::vector<TXFaultPlan::Range> BadRanges() const {
    return {{Offset("DCIM/IMG_0001.JPG", 10 << 10), 8 * kSector},
            {Offset("DCIM/IMG_0004.JPG", 3 << 10), kSector}};
  }
  int64_t Offset(const std::string& path, int64_t into) const {
    const mkcard::Extent first = card.Record(path).extents.at(0);
    EXPECT_GT(static_cast<int64_t>(first.size), into + 8 * kSector) << path;
    return static_cast<int64_t>(first.offset) + into;
  }
  // The photo as the card holds it, with zeros in the bad ranges.
  std::vector<uint8_t> Expected(const std::string& path) const {
    const std::vector<uint8_t> image = ReadFileBytes(card.Image());
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& e : card.Record(path).extents) {
      for (uint64_t at = e.offset; at < e.offset + e.size; ++at) {
        bool bad = false;
        for (const TXFaultPlan::Range& range : BadRanges())
          bad = bad || (static_cast<int64_t>(at) >= range.Start &&
                        static_cast<int64_t>(at) < range.Start + range.Size);
        bytes.push_back(bad ? 0 : image[at]);
      }
    }
    return bytes;
  }

  FixtureCard card{test::Fat32Options()};
  test::TempDir out;
};

TEST_F(SweepSaverTest, DamagedFilesAreSavedInTheSweepWithZerosOnlyInTheirBadSectors) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->BadRanges = BadRanges();
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-card", card.Image().string(), plan));
  OutputHarness run;
  TXDRSweepSaver saver(
      out.Path().string(),
      [&run]() -> std::unique_ptr<TXStream> {
        return std::make_unique<TXBufDiskStream>("/dev/kova-card", kMediumWindowSize,
                                                 run.gear.Data().DiskIO.BadSectors());
      },
      [](const TXDRFileItem&) { return true; });
  auto scan = MakeRef<TXDRDiskDeepScanWorkCommand>(&run.gear, "/dev/kova-card", 0);
  scan->Sink = &saver;
  ASSERT_TRUE(run.Run(scan));
  run.CheckOnly({"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "IMG_0004.JPG"});
  for (int32_t i = 0; i < run.Files().Count(); ++i) {
    const TXDRFileItem& item = *run.Files()[i];
    if (item.Checked) {
      EXPECT_NE(saver.CopyOf(item), nullptr) << item.Name;
    }
  }

  plan->LogReads = true;
  auto restore =
      MakeRef<TXDRDiskRestoreFilesWorkCommand>(&run.gear, "/dev/kova-card", 0, out.Path().string());
  restore->Swept = &saver;
  ASSERT_TRUE(run.Run(restore));
  // Every file came from the sweep: the restore asked the card for none of their bytes.
  for (const TXFaultPlan::Range& read : plan->ReadsMade()) {
    for (int n = 1; n <= 4; ++n) {
      for (const mkcard::Extent& e :
           card.Record("DCIM/IMG_000" + std::to_string(n) + ".JPG").extents)
        EXPECT_FALSE(read.Start < static_cast<int64_t>(e.offset + e.size) &&
                     read.Start + read.Size > static_cast<int64_t>(e.offset))
            << "read at " << read.Start;
    }
  }
  ASSERT_EQ(run.restored.size(), 4u);
  for (const OutputHarness::Restored& file : run.restored) {
    const std::string path = "DCIM/" + file.Name;
    const bool damaged = file.Name == "IMG_0001.JPG" || file.Name == "IMG_0004.JPG";
    EXPECT_EQ(file.Result, damaged ? rrDamaged : rrSaved) << file.Name;
    EXPECT_EQ(file.Unreadable, file.Name == "IMG_0001.JPG"   ? 8 * kSector
                               : file.Name == "IMG_0004.JPG" ? kSector
                                                             : 0)
        << file.Name;
    EXPECT_EQ(ReadFileBytes(file.FileName), Expected(path)) << file.Name;
  }
  EXPECT_LE(plan->MostFailedReadsOfARange(), 3);
  ClearThreadError();
}

}  // namespace
}  // namespace kova
