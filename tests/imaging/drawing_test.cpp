#include <gtest/gtest.h>

#include <set>

#include "imaging/image_converters.h"
#include "imaging/image_drawing.h"
#include "imaging/png_image.h"
#include "picture_files.h"

namespace kova {
namespace {

constexpr TXColor kWhite = MakeColor(255, 255, 255);
constexpr TXColor kGrey = MakeColor(128, 128, 128);
constexpr TXColor kRed = MakeColor(255, 0, 0);
constexpr TXColor kBlue = MakeColor(0, 0, 255);

// An image object holding a PNG of the size; with halfTransparent its left half is clear.
std::unique_ptr<TXImageObject> PngPicture(int32_t width, int32_t height, TXColor color,
                                          bool halfTransparent = false) {
  TXPngImage png;
  TXBitmap32& pixels = png.Reset(width, height, halfTransparent);
  pixels.Canvas().FillRect({0, 0, width, height}, color);
  if (halfTransparent) pixels.Canvas().FillRect({0, 0, width / 2, height}, 0);
  auto image = std::make_unique<TXImageObject>();
  EXPECT_TRUE(image->LoadFrom(png));
  return image;
}

std::unique_ptr<TXImageObject> GradientPicture(int32_t width, int32_t height) {
  TXBitmap32 bitmap;
  test::FillGradient(bitmap, width, height);
  auto image = std::make_unique<TXImageObject>();
  EXPECT_TRUE(image->LoadFrom(bitmap));
  return image;
}

TEST(FitSizeTest, ShrinksToFitKeepingTheRatioAndNeverEnlarges) {
  EXPECT_EQ(FitSize(50, 40, 72, 72), (TXSize{50, 40}));
  EXPECT_EQ(FitSize(4000, 3000, 70, 70), (TXSize{70, 52})) << "52.5 rounds to even";
  EXPECT_EQ(FitSize(3000, 4000, 70, 70), (TXSize{52, 70}));
  EXPECT_EQ(FitSize(4000, 3000, 72, 72), (TXSize{72, 54}));
  EXPECT_EQ(FitSize(3872, 2592, 600, 600), (TXSize{600, 402}));
  EXPECT_EQ(FitSize(1000, 30, 100, 100), (TXSize{100, 3}));
  EXPECT_EQ(FitSize(0, 30, 10, 10), (TXSize{0, 30}));
  EXPECT_EQ(FitSize(10, 30, 0, 0), (TXSize{0, 0}));
  EXPECT_EQ(CenteredRect({10, 10, 82, 82}, {72, 54}), (TXRect{10, 19, 82, 73}));
  EXPECT_EQ(CenteredRect({0, 0, 5, 5}, {2, 2}), (TXRect{1, 1, 3, 3}));
}

TEST(DrawGraphicTest, StretchesWithoutKernelOrAtOwnSizeAndResamplesOtherwise) {
  TXBitmap32 source;
  test::FillGradient(source, 64, 64);
  TXBitmap32 plain(64, 64), sameSize(64, 64);
  DrawGraphic(plain.Canvas(), {0, 0, 64, 64}, &source, nullptr);
  DrawGraphic(sameSize.Canvas(), {0, 0, 64, 64}, &source, &DefaultLanczosKernel());
  EXPECT_TRUE(std::equal(plain.Pixels().begin(), plain.Pixels().end(), source.Pixels().begin()));
  EXPECT_TRUE(
      std::equal(sameSize.Pixels().begin(), sameSize.Pixels().end(), source.Pixels().begin()));

  TXBitmap32 stretched(100, 100), resampled(100, 100);
  DrawGraphic(stretched.Canvas(), {0, 0, 100, 100}, &source, nullptr);
  DrawGraphic(resampled.Canvas(), {0, 0, 100, 100}, &source, &DefaultLanczosKernel());
  std::set<int> stretchedReds, resampledReds;
  for (int32_t x = 0; x < 100; ++x) {
    stretchedReds.insert(RedOf(stretched.Pixel(x, 50)));
    resampledReds.insert(RedOf(resampled.Pixel(x, 50)));
  }
  EXPECT_EQ(stretchedReds.size(), 64u) << "plain stretching repeats source pixels";
  EXPECT_GT(resampledReds.size(), 90u) << "resampling interpolates";

  TXBitmap32 untouched(10, 10);
  untouched.Canvas().FillRect({0, 0, 10, 10}, kGrey);
  DrawGraphic(untouched.Canvas(), {5, 5, 2, 2}, &source, nullptr);
  DrawGraphic(untouched.Canvas(), {0, 0, 10, 10}, nullptr, nullptr);
  TXBitmap32 empty;
  DrawGraphic(untouched.Canvas(), {0, 0, 10, 10}, &empty, nullptr);
  for (TXColor c : untouched.Pixels())
    ASSERT_EQ(c, kGrey);
}

TEST(DrawGraphicTest, TransparentPngsAreResampledAndBlended) {
  std::unique_ptr<TXImageObject> picture = PngPicture(40, 40, kRed, true);
  TXBitmap32 target(20, 20);
  target.Canvas().SetBrushColor(kGrey);
  target.Canvas().FillRect({0, 0, 20, 20});
  StretchImageObject(target.Canvas(), {0, 0, 20, 20}, picture.get(), &DefaultLanczosKernel());
  EXPECT_EQ(target.Pixel(2, 10), kGrey) << "the clear half shows the background";
  EXPECT_EQ(target.Pixel(17, 10), kRed);
}

TEST(DrawingHelperTest, FittedAndFramedThumbnailsAreCentredInTheirBox) {
  TXBitmap32 fitted;
  TXBitmap32 photo(400, 300);
  MakeFittedBitmap(fitted, 70, 70, nullptr, &photo);
  EXPECT_EQ(fitted.Size(), (TXSize{70, 52}));
  MakeFittedBitmap(fitted, 70, 70, nullptr, nullptr);
  EXPECT_EQ(fitted.Size(), (TXSize{70, 52})) << "nothing for a missing graphic";

  std::unique_ptr<TXImageObject> wide = PngPicture(100, 50, kBlue);
  TXBitmap32 cell;
  cell.Canvas().SetBrushColor(kWhite);
  const TXColor shadow = MakeColor(10, 10, 10), light = MakeColor(240, 240, 240);
  MakeFrameBitmap(cell, 72, 72, nullptr, shadow, light, wide.get());
  ASSERT_EQ(cell.Size(), (TXSize{72, 72}));
  // 68 x 68 inside the 2-pixel margin: the picture is 68 x 34 at (2, 19), framed just outside.
  EXPECT_EQ(cell.Pixel(1, 30), shadow);
  EXPECT_EQ(cell.Pixel(30, 18), shadow);
  EXPECT_EQ(cell.Pixel(70, 30), light);
  EXPECT_EQ(cell.Pixel(30, 53), light);
  EXPECT_EQ(cell.Pixel(2, 19), kBlue);
  EXPECT_EQ(cell.Pixel(69, 52), kBlue);
  EXPECT_EQ(cell.Pixel(30, 10), kWhite);
  EXPECT_EQ(cell.Pixel(0, 0), kWhite);

  TXBitmap32 blank;
  blank.Canvas().SetBrushColor(kGrey);
  MakeFrameBitmap(blank, 8, 8, nullptr, shadow, light, nullptr);
  EXPECT_EQ(blank.Size(), (TXSize{8, 8}));
  TXImageObject emptyPicture;
  FramedThumbnail(blank.Canvas(), {0, 0, 8, 8}, &emptyPicture, nullptr, shadow, light);
  for (TXColor c : blank.Pixels())
    ASSERT_EQ(c, kGrey) << "an empty picture gets no frame";
}

TEST(DrawingHelperTest, FitFillAndDrawPlaceThePicture) {
  std::unique_ptr<TXImageObject> wide = GradientPicture(100, 50);
  TXBitmap32 target(40, 40);
  target.Canvas().SetBrushColor(kGrey);
  FitImageObject(target.Canvas(), {0, 0, 40, 40}, wide.get(), nullptr);
  EXPECT_EQ(target.Pixel(20, 5), kGrey);
  EXPECT_NE(target.Pixel(20, 20), kGrey);
  EXPECT_EQ(target.Pixel(20, 35), kGrey) << "40 x 20 centred";

  FillImageObject(target.Canvas(), {0, 0, 40, 40}, wide.get(), nullptr);
  for (TXColor c : target.Pixels())
    ASSERT_NE(c, kGrey) << "80 x 40 covers the whole square";
  EXPECT_GT(RedOf(target.Pixel(0, 20)), 50) << "the middle of the picture, not its left edge";

  target.Canvas().FillRect({0, 0, 40, 40});
  DrawImageObject(target.Canvas(), 30, 30, wide.get());
  EXPECT_EQ(target.Pixel(29, 29), kGrey);
  EXPECT_EQ(target.Pixel(30, 30), MakeColor(0, 0, 64));
  EXPECT_EQ(RedOf(target.Pixel(39, 39)), 9 * 255 / 99);

  TXImageObject broken;
  broken.SetDataClass("TPngImage");
  broken.SetBytes({1, 2, 3});
  target.Canvas().FillRect({0, 0, 40, 40});
  StretchImageObject(target.Canvas(), {0, 0, 40, 40}, &broken, &DefaultLanczosKernel());
  FitImageObject(target.Canvas(), {0, 0, 40, 40}, &broken, nullptr);
  DrawImageObject(target.Canvas(), 0, 0, nullptr);
  for (TXColor c : target.Pixels())
    ASSERT_EQ(c, kGrey) << "bad data draws nothing";
}

TEST(ImageListConverterTest, CellsFollowTheCollectionOnTheBackground) {
  TXImageCollection images;
  TXImageList list;
  list.Add(std::make_unique<TXBitmap32>(1, 1));
  TXImageCollectionToImageListConverter(images, kWhite, 16, 22).Fill(list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.CellWidth(), 22);
  EXPECT_EQ(list.CellHeight(), 16);

  images.AddPicture("half", *PngPicture(10, 10, kRed, true));
  images.AddPicture("blue", *PngPicture(30, 5, kBlue));
  TXImageCollectionToImageListConverter(images, kWhite, 72, 72).Fill(list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0).Size(), (TXSize{72, 72}));
  EXPECT_EQ(list.At(0).Pixel(10, 40), kWhite);
  EXPECT_EQ(list.At(0).Pixel(60, 40), kRed);
  EXPECT_EQ(list.At(1).Pixel(0, 0), kBlue) << "stretched over the whole cell";
  EXPECT_EQ(list.At(1).Pixel(71, 71), kBlue);
}

}  // namespace
}  // namespace kova
