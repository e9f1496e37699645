#include "imaging/movie_thumbnail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "framework/error_data.h"
#include "imaging/decode_stop.h"
#include "imaging/jpeg_thumbnail.h"
#include "picture_files.h"
#include "support/media_tools.h"
#include "support/test_paths.h"
#include "support/thread_error.h"

namespace kova {
namespace {

using enum TXMovieContainer;

// The thumbnail decoded from the movie's bytes for the box, and what went wrong.
struct ThumbnailOf {
  ThumbnailOf(const std::vector<uint8_t>& bytes, TXMovieContainer container,
              TXSize box = kThumbnailBox) {
    TXMemoryStream stream(bytes);
    Error = test::ErrorTextOf(
        [&] { Made = DecodeMovieThumbnail(stream, container, box, Size, Image); });
  }

  bool Made = false;
  TXSize Size;
  TXImageObject Image;
  std::string Error;
};

void ExpectPicture(const ThumbnailOf& made, TXSize size, TXSize thumbnail) {
  ASSERT_TRUE(made.Made) << made.Error;
  EXPECT_EQ(made.Size, size);
  EXPECT_EQ(made.Image.Width(), thumbnail.Width);
  EXPECT_EQ(made.Image.Height(), thumbnail.Height);
}

// Nothing drawn, a reason given, and the decode over: a broken movie's generic icon.
void ExpectFailure(const ThumbnailOf& made) {
  EXPECT_FALSE(made.Made);
  EXPECT_TRUE(made.Image.IsEmpty());
  EXPECT_TRUE(made.Size.IsEmpty());
  EXPECT_FALSE(made.Error.empty());
}

struct TXMovieKind {
  const char* Options;
  TXMovieContainer Container;
};

// The codings and containers of cameras, camcorders and phones, as ffmpeg writes them.
const TXMovieKind kCameraMovies[] = {
    {"-c:v mjpeg -q:v 3 -f avi", mcAVI},
    {"-c:v mpeg4 -f avi", mcAVI},
    {"-c:v mjpeg -q:v 3 -f mov", mcQuickTime},
    {"-c:v libx264 -pix_fmt yuv420p -f mov", mcQuickTime},
    {"-c:v libx264 -pix_fmt yuv420p -f mp4", mcQuickTime},
    {"-c:v libx264 -pix_fmt yuv420p -movflags +faststart -f mp4", mcQuickTime},
    {"-c:v libx265 -pix_fmt yuv420p -tag:v hvc1 -f mp4", mcQuickTime},
    {"-c:v libx264 -pix_fmt yuv420p -f mpegts -mpegts_m2ts_mode 1", mcTransportStream},
    {"-c:v mpeg2video -f mpegts -mpegts_m2ts_mode 1", mcTransportStream},
};

TEST(MovieThumbnail, EveryCameraContainerAndCodingShowsItsFirstFrame) {
  KOVA_FFMPEG_OR_SKIP();
  for (const TXMovieKind& kind : kCameraMovies) {
    SCOPED_TRACE(kind.Options);
    const std::vector<uint8_t> movie = test::FfmpegTestMovie(kind.Options, 1, "160x120", true);
    ASSERT_FALSE(movie.empty());
    ExpectPicture(ThumbnailOf(movie, kind.Container), {160, 120}, {72, 54});
  }
}

// The thumbnail of a movie is made as the thumbnail of a photo of its first frame: the same size
// and, but for the codings' losses, the same colours.
TEST(MovieThumbnail, LooksLikeTheJpegThumbnailOfItsFirstFrame) {
  KOVA_FFMPEG_OR_SKIP();
  const std::vector<uint8_t> frame = test::FfmpegTestFrame("640x480");
  ASSERT_FALSE(frame.empty());
  for (TXSize box : {kThumbnailBox, TXSize{144, 144}, kPreviewBox}) {
    SCOPED_TRACE(box.Width);
    TXMemoryStream photo(frame);
    TXSize photoSize;
    TXImageObject expected;
    ASSERT_TRUE(DecodeJpegThumbnail(photo, box, photoSize, expected));
    for (const TXMovieKind& kind : {TXMovieKind{"-c:v mjpeg -q:v 1 -f avi", mcAVI},
                                    TXMovieKind{"-c:v libx264 -crf 10 -f mp4", mcQuickTime}}) {
      SCOPED_TRACE(kind.Options);
      const std::vector<uint8_t> movie = test::FfmpegTestMovie(kind.Options, 1, "640x480");
      const ThumbnailOf made(movie, kind.Container, box);
      ExpectPicture(made, photoSize, {expected.Width(), expected.Height()});
      EXPECT_LT(test::MeanColourDifference(made.Image, expected), 6.0);
    }
  }
}

TEST(MovieThumbnail, CameraAndPhoneSamplesShowTheirPictures) {
  struct TXSample {
    const char* Name;
    TXMovieContainer Container;
    TXSize Size;
    TXSize Thumbnail;
  };
  const TXSample samples[] = {
      {"panasonic_camera_mjpeg.mov", mcQuickTime, {640, 480}, {72, 54}},
      // Filmed upright: the phone asks for a quarter turn clockwise.
      {"apple_iphone6_gps.mov", mcQuickTime, {320, 568}, {41, 72}},
      {"android_phone_gps.mp4", mcQuickTime, {1920, 1080}, {72, 40}},
      {"flir_one_thermal.mp4", mcQuickTime, {1080, 1440}, {54, 72}},
      {"imovie_export.mp4", mcQuickTime, {640, 356}, {72, 40}},
      {"canon_powershot_mvi_mjpeg.avi", mcAVI, {640, 480}, {72, 54}},
      {"sunplus_spmp_camera.avi", mcAVI, {320, 240}, {72, 54}},
  };
  for (const TXSample& sample : samples) {
    KOVA_SAMPLE_OR_SKIP(path, sample.Name);
    SCOPED_TRACE(sample.Name);
    ExpectPicture(ThumbnailOf(test::ReadFileBytes(path), sample.Container), sample.Size,
                  sample.Thumbnail);
  }
}

// The track header's matrix of a movie a phone filmed upright: shown turned a quarter clockwise.
constexpr uint8_t kUprightMatrix[36] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                        0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x00,
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00};

TEST(MovieThumbnail, TurnedMoviesAreShownUpright) {
  KOVA_FFMPEG_OR_SKIP();
  const std::vector<uint8_t> plain =
      test::FfmpegTestMovie("-c:v mjpeg -q:v 1 -f mov", 1, "320x240");
  const ThumbnailOf written(plain, mcQuickTime, kPreviewBox);
  ExpectPicture(written, {320, 240}, {320, 240});
  // The matrix lies 44 bytes after the track header's type.
  std::vector<uint8_t> turned = plain;
  const size_t header = std::string(turned.begin(), turned.end()).find("tkhd");
  ASSERT_NE(header, std::string::npos);
  std::copy(std::begin(kUprightMatrix), std::end(kUprightMatrix), turned.begin() + header + 44);
  const ThumbnailOf upright(turned, mcQuickTime, kPreviewBox);
  ExpectPicture(upright, {240, 320}, {240, 320});
  // The upright picture's top left corner is the written one's bottom left, and so on round.
  TXBitmap32 shown;
  TXBitmap32 stored;
  test::BitmapOf(upright.Image, shown);
  test::BitmapOf(written.Image, stored);
  EXPECT_LT(test::ColourDistance(shown.Pixel(4, 4), stored.Pixel(4, 235)), 40);
  EXPECT_LT(test::ColourDistance(shown.Pixel(235, 4), stored.Pixel(4, 4)), 40);
  EXPECT_LT(test::ColourDistance(shown.Pixel(235, 315), stored.Pixel(315, 4)), 40);
}

TEST(MovieThumbnail, MoviesWithoutVideoOrOfOtherCodingsSucceedWithNothing) {
  KOVA_FFMPEG_OR_SKIP();
  TXMemoryStream noMovie;
  const std::vector<uint8_t> sound =
      test::FfmpegTestMovie("-vn -c:a aac -f mp4", 1, "160x120", true);
  const std::vector<uint8_t> lossless = test::FfmpegTestMovie("-c:v ffv1 -f avi");
  for (const auto* movie : {&sound, &lossless}) {
    ASSERT_FALSE(movie->empty());
    const ThumbnailOf made(*movie, movie == &sound ? mcQuickTime : mcAVI);
    EXPECT_TRUE(made.Made) << made.Error;
    EXPECT_TRUE(made.Image.IsEmpty());
  }
}

TEST(MovieThumbnail, StrippedSamplesHaveNoFrameToShow) {
  struct TXSample {
    const char* Name;
    TXMovieContainer Container;
  };
  for (const TXSample& sample :
       {TXSample{"pentax_camera_stripped.mov", mcQuickTime},
        TXSample{"canon_mvi_stripped.avi", mcAVI}, TXSample{"pentax_kx_stripped.avi", mcAVI}}) {
    KOVA_SAMPLE_OR_SKIP(path, sample.Name);
    SCOPED_TRACE(sample.Name);
    ExpectFailure(ThumbnailOf(test::ReadFileBytes(path), sample.Container));
  }
}

// Cut movies, movies with damaged bytes, random bytes: a picture or none, never a crash or a hang.
TEST(MovieThumbnail, BrokenMoviesEndWithOrWithoutAPicture) {
  KOVA_FFMPEG_OR_SKIP();
  std::mt19937 random(30);
  for (const TXMovieKind& kind : kCameraMovies) {
    SCOPED_TRACE(kind.Options);
    const std::vector<uint8_t> movie = test::FfmpegTestMovie(kind.Options, 1, "160x120", true);
    ASSERT_FALSE(movie.empty());
    for (size_t cut = 1; cut < 8; ++cut) {
      std::vector<uint8_t> head(movie.begin(), movie.begin() + movie.size() * cut / 8);
      const ThumbnailOf made(head, kind.Container);
      if (!made.Made) ExpectFailure(made);
    }
    for (int round = 0; round < 16; ++round) {
      std::vector<uint8_t> damaged = movie;
      for (int hits = 0; hits < 24; ++hits)
        damaged[random() % std::min<size_t>(damaged.size(), 4096)] = static_cast<uint8_t>(random());
      const ThumbnailOf made(damaged, kind.Container);
      if (!made.Made) ExpectFailure(made);
    }
  }
  std::vector<uint8_t> noise(1 << 20);
  for (uint8_t& byte : noise)
    byte = static_cast<uint8_t>(random());
  for (TXMovieContainer container : {mcAVI, mcQuickTime, mcTransportStream})
    ExpectFailure(ThumbnailOf(noise, container));
  ExpectFailure(ThumbnailOf(std::vector<uint8_t>(), mcQuickTime));
}

// A frame size beyond any camera's is refused before anything that large is made.
TEST(MovieThumbnail, HugeFrameSizesAreRefused) {
  KOVA_FFMPEG_OR_SKIP();
  const std::vector<uint8_t> movie = test::FfmpegTestMovie("-c:v mjpeg -f avi");
  ASSERT_FALSE(movie.empty());
  const std::vector<uint8_t> huge = test::WithHugeJpegFrames(movie);
  ASSERT_NE(huge, movie);
  ExpectFailure(ThumbnailOf(huge, mcAVI));
}

TEST(MovieThumbnail, AStopRequestEndsTheDecoding) {
  KOVA_FFMPEG_OR_SKIP();
  const std::vector<uint8_t> movie = test::FfmpegTestMovie("-c:v libx264 -f mp4");
  TXDecodeStopScope stop([] { return true; });
  const ThumbnailOf made(movie, mcQuickTime);
  ExpectFailure(made);
}

}  // namespace
}  // namespace kova
