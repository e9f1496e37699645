#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include "framework/error_data.h"
#include "imaging/decode_stop.h"
#include "imaging/dib_codec.h"
#include "imaging/jpeg_image.h"
#include "imaging/jpeg_thumbnail.h"
#include "picture_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::ReadFileBytes;

TEST(JpegThumbnailTest, LargePhotoIsDecodedAtOneEighthAndReportsItsFullSize) {
  KOVA_SAMPLE_OR_SKIP(path, "sony_dslr_a200_fullsize.jpg");
  TXMemoryStream stream(ReadFileBytes(path));
  TXBitmap32 eighth;
  TXJpegInfo info = DecodeJpeg(stream.Bytes(), TXJpegScale::jsEighth, eighth);
  EXPECT_EQ(info.Width, 3872);
  EXPECT_EQ(info.Height, 2592);
  EXPECT_EQ(eighth.Size(), (TXSize{484, 324}));
  EXPECT_EQ(ThumbnailScale(kThumbnailBox, {3872, 2592}), TXJpegScale::jsEighth);

  TXImageObject thumbnail;
  TXSize size;
  ASSERT_TRUE(DecodeJpegThumbnail(stream, kThumbnailBox, size, thumbnail));
  EXPECT_EQ(size, (TXSize{3872, 2592}));
  EXPECT_EQ(thumbnail.DataClass(), "TBitmap");
  EXPECT_EQ(thumbnail.Width(), 72);
  EXPECT_EQ(thumbnail.Height(), 48);
  EXPECT_EQ(thumbnail.Size(), static_cast<int64_t>(thumbnail.Bytes().size()));

  TXImageObject preview;
  stream.SetPosition(0);
  ASSERT_TRUE(DecodeJpegThumbnail(stream, kPreviewBox, size, preview));
  EXPECT_EQ(preview.Width(), 600);
  EXPECT_EQ(preview.Height(), 402);
  EXPECT_EQ(size, (TXSize{3872, 2592}));
}

TEST(JpegThumbnailTest, SmallPhotosAreDecodedAtFullSizeForThumbnails) {
  for (const char* name : {"canon_ixus_exif_thumb.jpg", "kodak_dc240_exif_thumb.jpg",
                           "sony_cybershot_exif_thumb.jpg", "hp_photosmart_735_exif_thumb.jpg"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    EXPECT_EQ(ThumbnailScale(kThumbnailBox, {640, 480}), TXJpegScale::jsFullSize)
        << "one eighth would be 80 x 60";
    TXFileStream file(path.string(), TXFileMode::fmOpenRead);
    TXImageObject thumbnail;
    TXSize size;
    ASSERT_TRUE(DecodeJpegThumbnail(file, kThumbnailBox, size, thumbnail));
    EXPECT_EQ(size, (TXSize{640, 480}));
    EXPECT_EQ(thumbnail.Width(), 72);
    EXPECT_EQ(thumbnail.Height(), 54);
  }
  EXPECT_EQ(ThumbnailScale({199, 199}, {4000, 3000}), TXJpegScale::jsEighth);
  EXPECT_EQ(ThumbnailScale({199, 199}, {1000, 800}), TXJpegScale::jsFullSize);
  EXPECT_EQ(ThumbnailScale({1600, 1}, {4000, 3000}), TXJpegScale::jsFullSize);
}

TEST(JpegThumbnailTest, DecodesTheEmbeddedPictureWhereTheStreamIsPositioned) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_ixus_exif_thumb.jpg");
  TXMemoryStream stream(ReadFileBytes(path));
  stream.SetPosition(1536);  // the EXIF thumbnail inside the first application segment
  TXImageObject thumbnail;
  TXSize size;
  ASSERT_TRUE(DecodeJpegThumbnail(stream, kThumbnailBox, size, thumbnail));
  EXPECT_LT(size.Width, 640);
  EXPECT_GT(size.Width, 0);
  EXPECT_LE(thumbnail.Width(), 72);
}

TEST(JpegThumbnailTest, OneEighthDecodeMatchesTheReferenceDecoderPixelForPixel) {
  KOVA_SAMPLE_OR_SKIP(path, "sony_dslr_a200_fullsize.jpg");
  if (!test::HasProgram("djpeg")) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
  test::TempDir dir;
  ASSERT_EQ(test::RunCommand("djpeg -scale 1/8 -bmp -outfile " + (dir / "ref.bmp").string() + " " +
                             path.string()),
            0);
  TXBitmap32 reference;
  DecodeBmp(ReadFileBytes(dir / "ref.bmp"), reference);  // a real 24-bit BMP
  TXBitmap32 ours;
  DecodeJpeg(ReadFileBytes(path), TXJpegScale::jsEighth, ours);
  ASSERT_EQ(ours.Size(), reference.Size());
  int differing = 0;
  for (size_t i = 0; i < ours.Pixels().size(); ++i)
    differing += ours.Pixels()[i] != reference.Pixels()[i];
  EXPECT_EQ(differing, 0);
}

TEST(JpegThumbnailTest, GreyscaleJpegsDecodeToGreyPixels) {
  if (!test::HasProgram("cjpeg")) GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
  test::TempDir dir;
  {
    std::ofstream ppm(dir / "in.pgm", std::ios::binary);
    ppm << "P5 64 48 255\n";
    for (int i = 0; i < 64 * 48; ++i)
      ppm.put(static_cast<char>(i % 64 * 4));
  }
  ASSERT_EQ(test::RunCommand("cjpeg -grayscale -outfile " + (dir / "grey.jpg").string() + " " +
                             (dir / "in.pgm").string()),
            0);
  TXBitmap32 bitmap;
  TXJpegInfo info = DecodeJpeg(ReadFileBytes(dir / "grey.jpg"), TXJpegScale::jsFullSize, bitmap);
  EXPECT_EQ(info.Components, 1);
  ASSERT_EQ(bitmap.Size(), (TXSize{64, 48}));
  for (TXColor c : bitmap.Pixels()) {
    ASSERT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c) && AlphaOf(c) == 255);
  }
  EXPECT_NEAR(RedOf(bitmap.Pixel(40, 10)), 160, 4);
}

TEST(JpegThumbnailTest, ReportsTheTrueSizeWhenTheSidesAreNotMultiplesOfEight) {
  if (!test::HasProgram("cjpeg")) GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
  test::TempDir dir;
  {
    std::ofstream pgm(dir / "in.pgm", std::ios::binary);
    pgm << "P5 1605 1603 255\n";
    for (int i = 0; i < 1605 * 1603; ++i)
      pgm.put(static_cast<char>(i % 251));
  }
  ASSERT_EQ(test::RunCommand("cjpeg -grayscale -outfile " + (dir / "odd.jpg").string() + " " +
                             (dir / "in.pgm").string()),
            0);
  TXMemoryStream stream(ReadFileBytes(dir / "odd.jpg"));
  EXPECT_EQ(ThumbnailScale(kThumbnailBox, {1605, 1603}), TXJpegScale::jsEighth) << "201 x 201";
  TXImageObject thumbnail;
  TXSize size;
  ASSERT_TRUE(DecodeJpegThumbnail(stream, kThumbnailBox, size, thumbnail));
  EXPECT_EQ(size, (TXSize{1605, 1603})) << "not the one-eighth size times eight (1608 x 1608)";
  EXPECT_EQ(thumbnail.Width(), 72);
}

TEST(JpegThumbnailTest, TruncatedAndRandomDataFailCleanlyWithAReason) {
  KOVA_SAMPLE_OR_SKIP(path, "sony_dslr_a200_fullsize.jpg");
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  std::mt19937 random(11);
  std::vector<uint8_t> noise(100000);
  for (uint8_t& b : noise)
    b = static_cast<uint8_t>(random());
  std::vector<uint8_t> headerOnly = {0xFF, 0xD8, 0xFF, 0xE0};

  struct Case {
    const char* name;
    std::vector<uint8_t> data;
  };
  std::vector<Case> cases = {{"truncated", {bytes.begin(), bytes.begin() + bytes.size() / 2}},
                             {"cut in the header", {bytes.begin(), bytes.begin() + 3000}},
                             {"random bytes", noise},
                             {"start marker only", headerOnly},
                             {"empty", {}}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    TXMemoryStream stream(c.data);
    TXImageObject image;
    image.SetBytes({1, 2, 3});
    TXSize size{1, 1};
    ClearThreadError();
    EXPECT_FALSE(DecodeJpegThumbnail(stream, kThumbnailBox, size, image));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(size, (TXSize{0, 0}));
    EXPECT_EQ(ThreadError().Code, kErrNone) << "a bad picture does not fail a scan";
    EXPECT_FALSE(ThreadError().Text.empty());
  }
  TXMemoryStream truncated(cases[0].data);
  TXImageObject image;
  TXSize size;
  DecodeJpegThumbnail(truncated, kPreviewBox, size, image);
  EXPECT_NE(ThreadError().Text.find("ends before the picture is complete"), std::string::npos)
      << ThreadError().Text;
}

// A decode asks its thread's innermost stop scope between pieces of its work and gives up once
// told to, with a reason; scopes of other threads do not reach it.
TEST(JpegThumbnailTest, ADecodeGivesUpWhenItsThreadIsToldToStop) {
  KOVA_SAMPLE_OR_SKIP(path, "sony_dslr_a200_fullsize.jpg");
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  TXBitmap32 bitmap;
  int asked = 0;
  TXDecodeStopScope going([&] { return ++asked < 0; });
  EXPECT_NO_THROW(DecodeJpeg(bytes, TXJpegScale::jsEighth, bitmap));
  EXPECT_GT(asked, 2);
  {
    TXDecodeStopScope stopping([&] { return ++asked > 3; });
    EXPECT_TRUE(DecodeStopRequested() || asked > 3);
    asked = 0;
    try {
      DecodeJpeg(bytes, TXJpegScale::jsEighth, bitmap);
      ADD_FAILURE() << "the decode went on";
    } catch (const EXInvalidGraphic& error) {
      EXPECT_NE(std::string(error.what()).find("stopped"), std::string::npos) << error.what();
    }
    std::thread([&] {
      TXBitmap32 other;
      EXPECT_NO_THROW(DecodeJpeg(bytes, TXJpegScale::jsEighth, other));
    }).join();
  }
  EXPECT_FALSE(DecodeStopRequested()) << "the outer scope asks again";
}

TEST(JpegImageTest, KeepsItsBytesAndDecodesAtTheChosenScaleOnDemand) {
  KOVA_SAMPLE_OR_SKIP(path, "sony_dslr_a200_fullsize.jpg");
  TXMemoryStream stream(ReadFileBytes(path));
  TXJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  EXPECT_EQ(jpeg.FullSize(), (TXSize{3872, 2592}));
  EXPECT_EQ(jpeg.Size(), (TXSize{3872, 2592}));
  jpeg.SetScale(TXJpegScale::jsEighth);
  EXPECT_EQ(jpeg.Size(), (TXSize{484, 324}));
  EXPECT_EQ(jpeg.Bitmap().Size(), (TXSize{484, 324}));

  TXMemoryStream saved;
  jpeg.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), stream.Bytes());

  TXMemoryStream garbage(std::vector<uint8_t>{0xFF, 0xD8, 0x00, 0x00});
  EXPECT_THROW(jpeg.LoadFromStream(garbage), EXInvalidGraphic);
  EXPECT_EQ(jpeg.FullSize(), (TXSize{3872, 2592})) << "a failed load keeps the picture";
}

TEST(JpegImageTest, DrawingWhileAnotherThreadDecodesSeesWholePictures) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_ixus_exif_thumb.jpg");
  TXMemoryStream stream(ReadFileBytes(path));
  TXJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  std::atomic<bool> done{false};
  std::thread decoder([&] {
    for (int i = 0; i < 20; ++i) {
      jpeg.SetScale(i % 2 ? TXJpegScale::jsHalf : TXJpegScale::jsQuarter);
      jpeg.Bitmap();
    }
    done = true;
  });
  TXBitmap32 target(80, 60);
  int draws = 0;
  while (!done || draws == 0) {
    target.Canvas().FillRect({0, 0, 80, 60}, 0);
    target.Canvas().StretchDraw({0, 0, 80, 60}, jpeg);
    EXPECT_EQ(AlphaOf(target.Pixel(79, 59)), 255) << "the whole rectangle was drawn";
    ++draws;
  }
  decoder.join();
}

}  // namespace
}  // namespace kova
