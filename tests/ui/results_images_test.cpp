#include "ui/results_images.h"

#include <gtest/gtest.h>

#include <QImage>

#include "support/flooding_scan.h"

namespace kova {
namespace {

const TXColor kList = MakeColor(255, 255, 255);
const TXColor kFrame = MakeColor(128, 128, 128);

// More thumbnails than the assembled cells kept at the design's size (48 MiB of 72 x 72 cells).
constexpr int32_t kThumbnails = 2600;

class ResultsImagesTest : public testing::Test {
 protected:
  void SetUp() override { images.SetTypeIcons({}, {}, kList); }

  int32_t Add(int32_t seed) {
    TXImageObject thumbnail;
    test::MakeScanThumbnail(thumbnail, seed);
    return images.AddThumbnail(thumbnail, kList, kFrame);
  }

  TXDRResultsImages images;
};

TEST_F(ResultsImagesTest, ThumbnailsAreKeptCompressedAndComeBackAfterTheirCellsWereForgotten) {
  std::vector<int32_t> indexes;
  for (int32_t i = 0; i < kThumbnails; ++i)
    indexes.push_back(Add(i % 97));
  ASSERT_EQ(indexes.front(), 0);
  ASSERT_EQ(indexes.back(), kThumbnails - 1);
  // A 72 x 72 cell's pixels take 20 736 bytes; the kept picture a fraction of that.
  EXPECT_LT(images.ThumbnailBytes(), int64_t{kThumbnails} * 72 * 72 * 4 / 5);

  const QImage first = images.Large(indexes.front()).toImage();
  ASSERT_EQ(first.size(), QSize(72, 72));
  // 72 x 54 fits into 68 x 68 as 68 x 51 from row 10; the frame runs one pixel outside it.
  EXPECT_EQ(first.pixel(36, 2), QColor::fromRgb(kList).rgb());
  EXPECT_EQ(first.pixel(1, 36), QColor::fromRgb(kFrame).rgb());
  EXPECT_EQ(first.pixel(36, 9), QColor::fromRgb(kFrame).rgb());
  for (int32_t index : indexes)
    images.Large(index);
  EXPECT_EQ(images.Large(indexes.front()).toImage(), first)
      << "assembled again from the kept bytes, the cell looks as it did";
  EXPECT_NE(images.Large(indexes[1]).toImage(), first) << "each index its own thumbnail";
}

TEST_F(ResultsImagesTest, ZoomedCellsAreDrawnAtTheirSizeWithAnExactFrame) {
  const int32_t index = Add(5);
  const QImage designed = images.Large(index).toImage();
  images.SetCellSize(144);
  const QImage zoomed = images.Large(index).toImage();
  ASSERT_EQ(zoomed.size(), QSize(144, 144));
  // 72 x 54 fills 140 x 140 as 140 x 105 from row 19; its frame is one pixel wide, not blurred.
  EXPECT_EQ(zoomed.pixel(72, 17), QColor::fromRgb(kList).rgb());
  EXPECT_EQ(zoomed.pixel(72, 18), QColor::fromRgb(kFrame).rgb());
  EXPECT_EQ(zoomed.pixel(1, 72), QColor::fromRgb(kFrame).rgb());
  EXPECT_EQ(zoomed.pixel(72, 124), QColor::fromRgb(kFrame).rgb());
  EXPECT_EQ(zoomed.pixel(72, 125), QColor::fromRgb(kList).rgb());
  EXPECT_NE(zoomed.pixel(72, 72), QColor::fromRgb(kList).rgb()) << "the picture fills the frame";
  images.SetCellSize(TXDRResultsImages::kCellSize);
  EXPECT_EQ(images.Large(index).toImage(), designed) << "the design's size looks as before";
}

TEST_F(ResultsImagesTest, AThumbnailThatDoesNotDecodeGetsNoIndex) {
  TXImageObject broken;
  test::MakeScanThumbnail(broken, 1);
  std::vector<uint8_t> half(broken.Bytes().begin(),
                            broken.Bytes().begin() + broken.Bytes().size() / 2);
  broken.SetBytes(half);
  EXPECT_EQ(images.AddThumbnail(broken, kList, kFrame), -1);
  const TXImageObject empty;
  EXPECT_EQ(images.AddThumbnail(empty, kList, kFrame), -1);
  EXPECT_EQ(images.LargeCount(), 0);
  EXPECT_TRUE(images.Large(0).isNull());
}

}  // namespace
}  // namespace kova
