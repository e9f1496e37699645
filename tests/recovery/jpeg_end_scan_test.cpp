// Camera photos placed on a card by mkcard with other data right after them: the search brings
// each back as it was written and no longer, and a photo cut short by what follows not at all.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "card_builder.h"
#include "fat/tool_card.h"
#include "recipe.h"
#include "recovery/scan_harness.h"
#include "support/card_status.h"
#include "support/jpeg_pictures.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using TXBytes = std::vector<uint8_t>;

constexpr int64_t kMiB = 1 << 20;

class JpegEndScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::SamplesDir().empty()) GTEST_SKIP() << "the folder of real camera samples is absent";
  }
  static TXBytes Sample(const char* name) { return test::ReadFileBytes(test::SamplesDir() / name); }
  // A file of the test's own, for the recipe to copy.
  std::string Own(const std::string& name, const TXBytes& bytes) {
    const std::filesystem::path path = dir_ / name;
    test::WriteFileBytes(path, bytes);
    return "\"" + path.string() + "\"";
  }
  void Raw(int64_t offset, const std::string& content, const std::string& name) {
    recipe_ += "raw offset=" + std::to_string(offset) + " " + content + " name=" + name + "\n";
  }
  void Scan() {
    mkcard::CardBuilder card;
    KOVA_CARD_OK(mkcard::RunRecipe(recipe_, {dir_.Path(), test::SamplesDir()}, &card));
    image_ = dir_ / "card.img";
    KOVA_CARD_OK(card.Save(image_));
    ASSERT_TRUE(scan_.ScanImage(image_.string()));
    ASSERT_EQ(scan_.endCode, kErrNone);
  }
  // The found file whose first byte lies at `offset` of the card, or nullptr.
  const TXDRFileItem* FoundAt(int64_t offset) {
    for (int32_t i = 0; i < scan_.Files().Count(); ++i)
      if (scan_.Files()[i]->Blocks()[0].Start == offset) return scan_.Files()[i];
    return nullptr;
  }
  void ExpectFound(int64_t offset, const TXBytes& bytes) {
    const TXDRFileItem* item = FoundAt(offset);
    ASSERT_NE(item, nullptr) << offset;
    EXPECT_EQ(test::FoundBytes(image_, *item), bytes) << offset;
    EXPECT_TRUE(item->Status.Contains(drThnValidated)) << offset;
  }

  test::TempDir dir_;
  std::string recipe_ = "card size=8M table=none\n";
  std::filesystem::path image_;
  test::ScanHarness scan_;
};

TEST_F(JpegEndScanTest, PhotosComeBackAsWrittenWhateverLiesAfterThem) {
  const TXBytes kodak = Sample("kodak_dc240_exif_thumb.jpg");
  const TXBytes nikon = Sample("nikon_e950_exif_thumb.jpg");
  const TXBytes sanyo = Sample("sanyo_sx113_exif_thumb.jpg");
  const TXBytes casio = Sample("casio_ex_s1_exif_thumb.jpg");
  const TXBytes ixus = Sample("canon_ixus_exif_thumb.jpg");
  // Another photo right after the first, off the grid; padding; noise.
  Raw(kMiB / 4, "copy=samples:kodak_dc240_exif_thumb.jpg", "kodak");
  Raw(kMiB / 4 + static_cast<int64_t>(kodak.size()), "copy=samples:canon_ixus_exif_thumb.jpg",
      "ixus");
  Raw(kMiB, "copy=samples:nikon_e950_exif_thumb.jpg", "nikon");
  Raw(kMiB + static_cast<int64_t>(nikon.size()), "data=30000 fill=0xFF", "padding");
  Raw(2 * kMiB, "copy=samples:sanyo_sx113_exif_thumb.jpg", "sanyo");
  Raw(2 * kMiB + static_cast<int64_t>(sanyo.size()), "data=200000 seed=7", "noise");
  // A photo cut short by another photo written over its end.
  const TXBytes cut(casio.begin(), casio.begin() + static_cast<int64_t>(casio.size()) / 2);
  Raw(3 * kMiB, "copy=" + Own("cut.jpg", cut), "cut");
  Raw(3 * kMiB + static_cast<int64_t>(cut.size()), "copy=samples:canon_ixus_exif_thumb.jpg",
      "over-cut");
  // A camera file whose index names a preview lying on the grid after the photo.
  const TXBytes photo = Sample("olympus_pen_e_p3_exif_thumb.jpg");
  const TXBytes plain = test::WithMultiPictureIndex(photo, ixus);
  const auto unaligned = static_cast<uint32_t>((plain.size() - ixus.size()) % 512);
  const TXBytes multi = test::WithMultiPictureIndex(photo, ixus, unaligned ? 512 - unaligned : 0);
  ASSERT_EQ((multi.size() - ixus.size()) % 512, 0u);
  Raw(4 * kMiB, "copy=" + Own("multi.jpg", multi), "multi");
  TXBytes progressive;
  if (test::HaveJpegtran()) {
    progressive = test::ProgressiveJpeg(test::SamplesDir() / "fujifilm_dx10_exif_thumb.jpg");
    Raw(5 * kMiB, "copy=" + Own("progressive.jpg", progressive), "progressive");
    Raw(5 * kMiB + static_cast<int64_t>(progressive.size()),
        "copy=samples:canon_ixus_exif_thumb.jpg", "after-progressive");
  }
  Scan();

  ExpectFound(kMiB / 4, kodak);
  ExpectFound(kMiB, nikon);
  ExpectFound(2 * kMiB, sanyo);
  ExpectFound(4 * kMiB, multi);
  if (!progressive.empty()) ExpectFound(5 * kMiB, progressive);
  EXPECT_EQ(FoundAt(3 * kMiB), nullptr) << "a photo cut short has no end of its own";
  // Every find is a whole file written to the card, or a preview inside one: none runs on.
  const std::set<TXBytes> written = {kodak, nikon, sanyo, multi, progressive, ixus};
  for (int32_t i = 0; i < scan_.Files().Count(); ++i) {
    const TXBytes found = test::FoundBytes(image_, *scan_.Files()[i]);
    EXPECT_TRUE(written.count(found))
        << "find at " << scan_.Files()[i]->Blocks()[0].Start << " of " << found.size() << " bytes";
  }
}

}  // namespace
}  // namespace kova
