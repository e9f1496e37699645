#include "recovery/formats/jpeg_format.h"

#include <gtest/gtest.h>

#include "format_samples.h"
#include "framework/error_data.h"
#include "imaging/jpeg_thumbnail.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::MeasureAsScanned;
using test::SampleBytes;

struct TXJpegSample {
  const char* Name;
  int64_t LastByte;  // of the picture; -1 for the file's last byte
  TXSize Picture;
};

// Camera JPEGs with an EXIF thumbnail (and its own end-of-image marker) inside the first
// application segment. The HP file carries one stray byte after its end; the Nikon E775 file is
// padded to a whole number of KiB; the Sony file keeps a second, larger preview after the main
// picture's end.
const TXJpegSample kSamples[] = {
    {"canon_ixus_exif_thumb.jpg", -1, {640, 480}},
    {"fujifilm_dx10_exif_thumb.jpg", -1, {1024, 768}},
    {"kodak_dc240_exif_thumb.jpg", -1, {640, 480}},
    {"nikon_e950_exif_thumb.jpg", -1, {800, 600}},
    {"ricoh_rdc5300_exif_thumb.jpg", -1, {896, 600}},
    {"sanyo_sx113_exif_thumb.jpg", -1, {640, 480}},
    {"sony_cybershot_exif_thumb.jpg", -1, {640, 480}},
    {"casio_ex_s1_exif_thumb.jpg", -1, {640, 480}},
    {"olympus_pen_e_p3_exif_thumb.jpg", -1, {1280, 960}},
    {"samsung_gt_i9000_exif_thumb.jpg", -1, {640, 480}},
    {"minolta_dimage_x_exif_thumb.jpg", -1, {1280, 960}},
    {"canon_powershot_a40_exif_thumb.jpg", -1, {1024, 768}},
    {"hp_photosmart_735_exif_thumb.jpg", 110008, {640, 480}},
    {"nikon_e775_exif_thumb_padded.jpg", 399649, {1600, 1200}},
    {"sony_dslr_a200_fullsize.jpg", 2117376, {3872, 2592}},
};

TEST(JpegFormatTest, CameraPicturesEndAtTheirOwnEndOfImageMarker) {
  for (const TXJpegSample& sample : kSamples) {
    KOVA_SAMPLE_OR_SKIP(path, sample.Name);
    SCOPED_TRACE(sample.Name);
    std::vector<uint8_t> bytes = SampleBytes(path);
    int64_t last = sample.LastByte < 0 ? static_cast<int64_t>(bytes.size()) - 1 : sample.LastByte;
    test::TXMeasured measured = MeasureAsScanned(bytes);
    EXPECT_EQ(measured.Format->Kind, skJPG);
    EXPECT_EQ(measured.Format->GetExtension(), ".jpg");
    EXPECT_EQ(measured.End, last);
    EXPECT_EQ(bytes[last - 1], 0xFF);
    EXPECT_EQ(bytes[last], 0xD9);

    // Inside a medium, on a grid position past the start.
    std::vector<uint8_t> medium = test::Embedded(bytes, 8192, bytes.size() + 20000);
    EXPECT_EQ(MeasureAsScanned(medium, 8192).End, 8192 + last);
  }
}

TEST(JpegFormatTest, TheEmbeddedThumbnailsEndIsSteppedOver) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_ixus_exif_thumb.jpg");
  std::vector<uint8_t> bytes = SampleBytes(path);
  // The EXIF thumbnail occupies 1536..6877 of the first application segment and ends with its
  // own end-of-image marker.
  ASSERT_EQ(bytes[1536 + 5342 - 2], 0xFF);
  ASSERT_EQ(bytes[1536 + 5342 - 1], 0xD9);
  TXDRScanFormatJPG format;
  TXMemoryStream stream(bytes);
  test::TXTestSearch search(stream);
  int64_t scan = format.FindScanStart(search.Search(), 0);
  EXPECT_GT(scan, 1536 + 5342);
  EXPECT_EQ(format.FindEnd(search.Search(), 0), static_cast<int64_t>(bytes.size()) - 1);
}

TEST(JpegFormatTest, HeadersThatAreNotPhotographsAreRefused) {
  TXDRScanFormatJPG format;
  auto check = [&format](std::vector<uint8_t> bytes) {
    bytes.resize(64, 0x55);
    TXMemoryStream stream(bytes);
    test::TXTestSearch search(stream);
    return format.FindScanStart(search.Search(), 0);
  };
  EXPECT_EQ(check({0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43}), -1)
      << "a quantisation table right after the start of image";
  EXPECT_EQ(check({0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x0C}), 16) << "the scan starting at once";
  EXPECT_EQ(check({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}), -1)
      << "no start of scan after the application segment";
  EXPECT_EQ(check({0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0}), -1) << "a segment running past the end";
  EXPECT_EQ(check({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}), -1)
      << "a refused header: no marker prefix and a code of 0";
  std::vector<uint8_t> twoSegments = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04,
                                      0x00, 0x00, 0xFF, 0xDA, 0x00, 0x08};
  EXPECT_EQ(check(twoSegments), 18);
  EXPECT_EQ(check({0xFF, 0xD9}), -1);
}

TEST(JpegFormatTest, APictureWithoutItsEndIsNotFound) {
  KOVA_SAMPLE_OR_SKIP(path, "kodak_dc240_exif_thumb.jpg");
  std::vector<uint8_t> bytes = SampleBytes(path);
  bytes.resize(bytes.size() - 2);
  EXPECT_EQ(MeasureAsScanned(bytes).End, -1);
  bytes.resize(bytes.size() / 2);
  EXPECT_EQ(MeasureAsScanned(bytes).End, -1);
  bytes.resize(1000);
  EXPECT_EQ(MeasureAsScanned(bytes).End, -1) << "cut inside the first application segment";
}

TEST(JpegFormatTest, AStoppedRunFindsNothing) {
  KOVA_SAMPLE_OR_SKIP(path, "kodak_dc240_exif_thumb.jpg");
  TXMemoryStream stream(SampleBytes(path));
  test::TXTestSearch search(stream);
  search.Terminate();
  TXDRScanFormatJPG format;
  EXPECT_EQ(format.FindEnd(search.Search(), 0), -1);
}

TEST(JpegFormatTest, ThumbnailsAndPreviewsReportTheFullPictureSize) {
  for (const TXJpegSample& sample : kSamples) {
    KOVA_SAMPLE_OR_SKIP(path, sample.Name);
    SCOPED_TRACE(sample.Name);
    std::vector<uint8_t> bytes = SampleBytes(path);
    TXMemoryStream medium(test::Embedded(bytes, 4096, bytes.size() + 8192));
    TXDRScanFormatJPG format;
    TXSize size;
    TXImageObject thumbnail;
    ASSERT_TRUE(format.MakeThumbnail(size, thumbnail, test::Extent(4096, bytes.size()), medium));
    EXPECT_EQ(size, sample.Picture);
    EXPECT_EQ(thumbnail.DataClass(), "TBitmap");
    EXPECT_EQ(thumbnail.Width(), 72);
    EXPECT_EQ(thumbnail.Height(), 72 * sample.Picture.Height / sample.Picture.Width);
    TXImageObject preview;
    ASSERT_TRUE(format.MakePreview(size, preview, test::Extent(4096, bytes.size()), medium));
    EXPECT_EQ(size, sample.Picture);
    EXPECT_EQ(preview.Width(), std::min(600, sample.Picture.Width));
  }
}

TEST(JpegFormatTest, AFragmentedPictureIsReadThroughItsExtents) {
  KOVA_SAMPLE_OR_SKIP(path, "fujifilm_dx10_exif_thumb.jpg");
  std::vector<uint8_t> bytes = SampleBytes(path);
  // The first 64 KiB at 0, another file's 32 KiB, then the rest.
  std::vector<uint8_t> medium = test::NoiseBytes(bytes.size() + 32768, 5);
  std::copy(bytes.begin(), bytes.begin() + 65536, medium.begin());
  std::copy(bytes.begin() + 65536, bytes.end(), medium.begin() + 65536 + 32768);
  TXBlocks blocks;
  blocks.Add(0, 65536);
  blocks.Add(65536 + 32768, static_cast<int64_t>(bytes.size()) - 65536);
  TXMemoryStream stream(medium);
  TXDRScanFormatJPG format;
  EXPECT_TRUE(format.ValidateItem(stream, blocks));
  TXSize size;
  TXImageObject pieces, whole;
  ASSERT_TRUE(format.MakeThumbnail(size, pieces, blocks, stream));
  TXMemoryStream contiguous(bytes);
  ASSERT_TRUE(format.MakeThumbnail(size, whole, test::Extent(0, bytes.size()), contiguous));
  EXPECT_EQ(pieces.Bytes(), whole.Bytes());
}

TEST(JpegFormatTest, ADamagedPictureGivesNoThumbnailAndSaysWhy) {
  KOVA_SAMPLE_OR_SKIP(path, "nikon_e950_exif_thumb.jpg");
  std::vector<uint8_t> bytes = SampleBytes(path);
  bytes.resize(bytes.size() / 3);
  TXMemoryStream stream(bytes);
  TXDRScanFormatJPG format;
  ClearThreadError();
  TXSize size{1, 1};
  TXImageObject thumbnail;
  EXPECT_FALSE(format.MakeThumbnail(size, thumbnail, test::Extent(0, bytes.size()), stream));
  EXPECT_TRUE(size.IsEmpty());
  EXPECT_TRUE(thumbnail.IsEmpty());
  EXPECT_NE(ThreadError().Text.find("JPEG"), std::string::npos) << ThreadError().Text;
  EXPECT_EQ(ThreadError().Code, 0) << "a picture that fails is no failure of the run";

  TXMemoryStream empty;
  EXPECT_FALSE(format.MakeThumbnail(size, thumbnail, TXBlocks(), empty));
  EXPECT_FALSE(format.ValidateItem(empty, TXBlocks()));
}

}  // namespace
}  // namespace kova
