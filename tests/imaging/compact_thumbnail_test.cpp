#include <gtest/gtest.h>

#include "imaging/jpeg_image.h"
#include "imaging/jpeg_thumbnail.h"
#include "picture_files.h"
#include "support/test_paths.h"

// Thumbnails of found files are kept as small JPEGs: a tenth or less of their pixels' bytes, with
// the look of the picture the scan made.
namespace kova {
namespace {

using test::ReadFileBytes;

void MakeThumbnailOf(const std::filesystem::path& path, TXImageObject& thumbnail) {
  TXMemoryStream stream(ReadFileBytes(path));
  TXSize size;
  EXPECT_TRUE(DecodeJpegThumbnail(stream, kThumbnailBox, size, thumbnail));
}

TEST(CompactThumbnail, APhotoThumbnailBecomesASmallJpegThatLooksTheSame) {
  for (const char* name : {"sony_dslr_a200_fullsize.jpg", "canon_ixus_exif_thumb.jpg"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    TXImageObject pixels;
    MakeThumbnailOf(path, pixels);
    ASSERT_EQ(pixels.DataClass(), "TBitmap");
    TXImageObject compact;
    compact.Assign(pixels);
    CompactThumbnail(compact);
    EXPECT_EQ(compact.DataClass(), "TJPEGImage");
    EXPECT_EQ(compact.Width(), pixels.Width());
    EXPECT_EQ(compact.Height(), pixels.Height());
    EXPECT_LT(compact.Bytes().size(), pixels.Bytes().size() / 3);
    EXPECT_LE(compact.Bytes().capacity(), compact.Bytes().size())
        << "the pixels' buffer is not kept behind the JPEG";
    EXPECT_LT(test::MeanColourDifference(compact, pixels), 3.0);

    CompactThumbnail(compact);
    EXPECT_EQ(compact.DataClass(), "TJPEGImage") << "a JPEG is kept as it is";
  }
}

TEST(CompactThumbnail, SharpColourEdgesKeepTheirColours) {
  // Without chroma subsampling a one-pixel line of colour stays its colour.
  TXBitmap32 lines(72, 48);
  for (int32_t y = 0; y < 48; ++y) {
    for (int32_t x = 0; x < 72; ++x)
      lines.SetPixel(x, y, x % 8 == 0 ? MakeColor(220, 20, 20) : MakeColor(20, 20, 220));
  }
  TXImageObject thumbnail;
  ASSERT_TRUE(thumbnail.LoadFrom(lines));
  CompactThumbnail(thumbnail);
  ASSERT_EQ(thumbnail.DataClass(), "TJPEGImage");
  TXBitmap32 decoded;
  test::BitmapOf(thumbnail, decoded);
  ASSERT_EQ(decoded.Size(), lines.Size());
  for (int32_t x = 0; x < 72; ++x)
    EXPECT_LE(test::ColourDistance(decoded.Pixel(x, 24), lines.Pixel(x, 24)), 40) << x;
}

TEST(CompactThumbnail, TransparentAndEmptyPicturesStayAsTheyAre) {
  TXBitmap32 icon;
  test::FillGradient(icon, 32, 32, 128);
  icon.SetAlphaFormat(TXAlphaFormat::afDefined);
  TXImageObject transparent;
  ASSERT_TRUE(transparent.LoadFrom(icon));
  const std::vector<uint8_t> before = transparent.Bytes();
  CompactThumbnail(transparent);
  EXPECT_EQ(transparent.DataClass(), "TBitmap");
  EXPECT_EQ(transparent.Bytes(), before);

  TXImageObject empty;
  CompactThumbnail(empty);
  EXPECT_TRUE(empty.IsEmpty());
}

}  // namespace
}  // namespace kova
