#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/error_data.h"
#include "imaging/jpeg_thumbnail.h"
#include "imaging/movie_thumbnail.h"
#include "recovery/formats/format_samples.h"
#include "recovery/formats/scan_format_registry.h"
#include "support/media_tools.h"
#include "support/test_paths.h"
#include "support/thread_error.h"

namespace kova {
namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

// The format that the scan would measure the bytes with, after measuring them whole.
test::TXMeasured Measured(const std::vector<uint8_t>& bytes) {
  test::TXMeasured measured = test::MeasureAsScanned(bytes);
  EXPECT_NE(measured.Format, nullptr);
  EXPECT_EQ(measured.End, static_cast<int64_t>(bytes.size()) - 1);
  return measured;
}

// The picture as a scan makes it: the bytes the format asks for copied, then decoded.
struct PictureOf {
  PictureOf(const std::vector<uint8_t>& bytes, TXDRScanFormat& format, TXSize box) {
    TXMemoryStream medium(bytes);
    const TXBlocks file = test::Extent(0, bytes.size());
    Error = test::ErrorTextOf([&] {
      Made = box == kPreviewBox ? format.MakePreview(Size, Image, file, medium)
                                : format.MakeThumbnail(Size, Image, file, medium);
    });
  }

  bool Made = false;
  TXSize Size;
  TXImageObject Image;
  std::string Error;
};

void ExpectPictures(const std::vector<uint8_t>& bytes, TXSize size) {
  ASSERT_FALSE(bytes.empty());
  test::TXMeasured measured = Measured(bytes);
  ASSERT_NE(measured.Format, nullptr);
  EXPECT_TRUE(measured.Format->CanMakeThumbnail());
  const TXSize thumbnail = FitSize(size.Width, size.Height, 72, 72);
  const TXSize preview = FitSize(size.Width, size.Height, 600, 600);
  for (auto [box, fitted] :
       {std::pair{kThumbnailBox, thumbnail}, std::pair{kPreviewBox, preview}}) {
    const PictureOf picture(bytes, *measured.Format, box);
    ASSERT_TRUE(picture.Made) << picture.Error;
    EXPECT_EQ(picture.Size, size);
    EXPECT_EQ(picture.Image.Width(), fitted.Width);
    EXPECT_EQ(picture.Image.Height(), fitted.Height);
  }
}

TEST(MoviePictures, SampleMoviesShowTheirFirstFrame) {
  struct TXSample {
    const char* Name;
    TXSize Size;
  };
  for (const TXSample& sample :
       {TXSample{"panasonic_camera_mjpeg.mov", {640, 480}},
        TXSample{"apple_iphone6_gps.mov", {320, 568}},
        TXSample{"android_phone_gps.mp4", {1920, 1080}},
        TXSample{"flir_one_thermal.mp4", {1080, 1440}}, TXSample{"imovie_export.mp4", {640, 356}},
        TXSample{"canon_powershot_mvi_mjpeg.avi", {640, 480}},
        TXSample{"sunplus_spmp_camera.avi", {320, 240}}}) {
    KOVA_SAMPLE_OR_SKIP(path, sample.Name);
    SCOPED_TRACE(sample.Name);
    ExpectPictures(test::SampleBytes(path), sample.Size);
  }
}

TEST(MoviePictures, MoviesThatFfmpegWritesShowTheirFirstFrame) {
  KOVA_FFMPEG_OR_SKIP();
  for (const char* options :
       {"-c:v mjpeg -f avi", "-c:v mpeg4 -f avi", "-c:v libx264 -f mov", "-c:v libx264 -f mp4",
        "-c:v libx264 -movflags +faststart -f mp4", "-c:v libx264 -f mpegts -mpegts_m2ts_mode 1"}) {
    SCOPED_TRACE(options);
    ExpectPictures(test::FfmpegTestMovie(options, 2, "320x240", true), {320, 240});
  }
}

TEST(MoviePictures, HeicPicturesShowTheirPicture) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "sony_cybershot_exif_thumb.jpg");
  for (bool thumbnail : {true, false}) {
    SCOPED_TRACE(thumbnail);
    ExpectPictures(test::HeifEncPicture(photo, thumbnail), {640, 480});
  }
}

// A long movie is not copied whole for its thumbnail: its beginning is, and its movie box where
// that lies at the end, as cameras write it.
TEST(MoviePictures, ALongMovieGivesItsBeginningAndItsMovieBox) {
  KOVA_FFMPEG_OR_SKIP();
  for (bool faststart : {false, true}) {
    SCOPED_TRACE(faststart ? "movie box first" : "movie box last");
    const std::vector<uint8_t> movie = test::FfmpegTestMovie(
        std::string("-c:v mjpeg -q:v 1 ") + (faststart ? "-movflags +faststart " : "") + "-f mov",
        16, "1280x720");
    ASSERT_GT(movie.size(), static_cast<size_t>(kMovieHeadBytes + 2 * kMiB));
    test::TXMeasured measured = Measured(movie);
    ASSERT_NE(measured.Format, nullptr);
    const int64_t copied = measured.Format->PictureSourceSize(test::Extent(0, movie.size()));
    EXPECT_GT(copied, kMovieHeadBytes);
    EXPECT_LT(copied, kMovieHeadBytes + kMiB);
    const PictureOf picture(movie, *measured.Format, kThumbnailBox);
    ASSERT_TRUE(picture.Made) << picture.Error;
    EXPECT_EQ(picture.Image.Width(), 72);
  }
  const std::vector<uint8_t> avi =
      test::FfmpegTestMovie("-c:v mjpeg -q:v 1 -f avi", 16, "1280x720");
  test::TXMeasured measured = Measured(avi);
  ASSERT_NE(measured.Format, nullptr);
  EXPECT_EQ(measured.Format->PictureSourceSize(test::Extent(0, avi.size())), kMovieHeadBytes);
  const PictureOf picture(avi, *measured.Format, kThumbnailBox);
  EXPECT_TRUE(picture.Made) << picture.Error;
}

TEST(MoviePictures, StrippedSamplesFailWithNothingDrawn) {
  for (const char* name : {"pentax_camera_stripped.mov", "canon_mvi_stripped.avi",
                           "pentax_kx_stripped.avi", "heif_stripped.heic"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = test::SampleBytes(path);
    test::TXMeasured measured = test::MeasureAsScanned(bytes);
    ASSERT_NE(measured.Format, nullptr);
    const PictureOf picture(bytes, *measured.Format, kThumbnailBox);
    EXPECT_FALSE(picture.Made);
    EXPECT_TRUE(picture.Image.IsEmpty());
    EXPECT_FALSE(picture.Error.empty());
  }
}

}  // namespace
}  // namespace kova
