#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fat/tool_card.h"
#include "recovery/file_status.h"
#include "recovery/scan_harness.h"
#include "support/test_paths.h"

namespace kova {
namespace {

constexpr int64_t kMiB = 1 << 20;

// Files of today's cameras and phones, and other spellings of known types, on FAT cards made by
// mkfs.fat and mtools.
class CatalogueCardScan : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_FAT_TOOLS_OR_SKIP();
    if (test::SamplesDir().empty()) GTEST_SKIP() << "the folder of real camera samples is absent";
    ASSERT_TRUE(card_.Partition(16 * kMiB, ""));
    ASSERT_TRUE(card_.Format(1, 0, 16 * 1024, 16, 4, "PHONE"));
  }

  static std::vector<uint8_t> Sample(const char* name) {
    return test::ReadFileBytes(test::SamplesDir() / name);
  }

  const TXDRFileItem* Scanned(const std::string& name) {
    if (!scanned_) {
      scanned_ = scan_.ScanImage(card_.Image().string());
      EXPECT_EQ(scan_.endCode, kErrNone);
    }
    return scan_.Find(name);
  }

  test::ToolCard card_;
  test::ScanHarness scan_;
  bool scanned_ = false;
};

TEST_F(CatalogueCardScan, ALiveFragmentedJpegSpelledJpegComesBackWithItsThumbnail) {
  const std::vector<uint8_t> photo = Sample("sony_dslr_a200_fullsize.jpg");
  // A hole, then a filler up to near the end: the photo fills the card's tail and goes on in the
  // hole.
  ASSERT_TRUE(card_.Write(1, "hole.dat", std::vector<uint8_t>(photo.size(), 0x5A)));
  const int64_t free = test::FreeBytesByMtools(card_.Image(), 0);
  ASSERT_GT(free, static_cast<int64_t>(photo.size()));
  ASSERT_TRUE(card_.Write(1, "filler.bin", std::vector<uint8_t>(free - photo.size() / 2, 0x33)));
  ASSERT_TRUE(card_.Delete(1, "hole.dat"));
  ASSERT_TRUE(card_.Write(1, "DCIM/holiday.jpeg", photo));
  ASSERT_TRUE(card_.Write(1, "DCIM/BEACH.JPE", Sample("canon_ixus_exif_thumb.jpg")));
  const TXDRFileItem* holiday = Scanned("holiday.jpeg");
  ASSERT_NE(holiday, nullptr) << testing::PrintToString(scan_.Names());
  EXPECT_GT(holiday->Blocks().Count(), 1) << "fragmented";
  EXPECT_EQ(test::FoundBytes(card_.Image(), *holiday), photo);
  EXPECT_TRUE(holiday->Status.Contains(drThnValidated));
  EXPECT_EQ(holiday->Dimensions, (TXSize{3872, 2592}));
  const TXDRFileItem* beach = Scanned("BEACH.JPE");
  ASSERT_NE(beach, nullptr) << testing::PrintToString(scan_.Names());
  EXPECT_TRUE(beach->Status.Contains(drThnValidated));
}

TEST_F(CatalogueCardScan, DeletedRawFilesAndPhonePicturesOfNewTypesComeBack) {
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"IMG_0001.CR3", Sample("canon_eos_m50_stripped.cr3")},
      {"DSCF0002.RAF", Sample("fujifilm_s5pro_stripped.raf")},
      {"IMG_0003.HEIC", Sample("heif_stripped.heic")},
  };
  for (const auto& [name, bytes] : files)
    ASSERT_TRUE(card_.Write(1, "DCIM/" + name, bytes)) << name;
  for (const auto& [name, bytes] : files)
    ASSERT_TRUE(card_.Delete(1, "DCIM/" + name)) << name;
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    // Short names lose their first letter; the long one of the HEIC picture gives it back.
    const std::string found = name.size() > 12 ? name : "!" + name.substr(1);
    const TXDRFileItem* item = Scanned(found);
    ASSERT_NE(item, nullptr) << testing::PrintToString(scan_.Names());
    EXPECT_TRUE(item->IsDeletedEntry());
    EXPECT_EQ(test::FoundBytes(card_.Image(), *item), bytes);
  }
}

}  // namespace
}  // namespace kova
