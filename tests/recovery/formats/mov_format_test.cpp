#include "recovery/formats/mov_format.h"

#include <gtest/gtest.h>

#include <string>

#include "format_samples.h"
#include "support/media_tools.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::ExpectWholeFile;
using test::MeasureAsScanned;
using test::MeasureBytes;

// A box header: 32-bit size and type.
std::vector<uint8_t> Box(uint32_t size, const std::string& type) {
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                                static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
  bytes.insert(bytes.end(), type.begin(), type.end());
  return bytes;
}

// A file-type box of 24 bytes with the brands given (major, then one compatible).
std::vector<uint8_t> FileType(const std::string& major, const std::string& compatible) {
  std::vector<uint8_t> bytes = Box(24, "ftyp");
  std::string rest = major + std::string(4, '\0') + compatible + compatible;
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> bytes;
  for (const auto& part : parts)
    bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

// A movie box holding nothing but a movie header of 108 bytes.
std::vector<uint8_t> Movie() {
  std::vector<uint8_t> bytes = Joined({Box(116, "moov"), Box(108, "mvhd")});
  bytes.resize(116, 0);
  return bytes;
}

std::vector<uint8_t> Media(uint32_t size) {
  std::vector<uint8_t> bytes = Box(size, "mdat");
  bytes.resize(size, 0x5A);
  return bytes;
}

TEST(MovFormatTest, Mp4FilesEndWithTheirLastBox) {
  // The iMovie export has a "wide" box between its movie box and its media.
  for (const char* name : {"android_phone_gps.mp4", "flir_one_thermal.mp4", "imovie_export.mp4"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    ExpectWholeFile(test::SampleBytes(path), skMP4, ".mp4");
  }
}

TEST(MovFormatTest, CameraAndPhoneMoviesAreFoundWhateverTheirFirstBox) {
  // A 20-byte file-type box and a "wide" box (iPhone), the media first (Panasonic), the movie
  // box first (Pentax).
  for (const char* name :
       {"apple_iphone6_gps.mov", "panasonic_camera_mjpeg.mov", "pentax_camera_stripped.mov"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    ExpectWholeFile(test::SampleBytes(path), skMOV, ".mov");
  }
}

TEST(MovFormatTest, BrandsDecideBetweenMovAndMp4) {
  KOVA_SAMPLE_OR_SKIP(path, "apple_iphone6_gps.mov");
  std::vector<uint8_t> original = test::SampleBytes(path);
  // The same movie with a 24-byte file-type box listing MP4 brands.
  std::vector<uint8_t> bytes = FileType("isom", "mp42");
  bytes.insert(bytes.end(), original.begin() + 20, original.end());
  ExpectWholeFile(bytes, skMP4, ".mp4");
  EXPECT_EQ(MeasureBytes(skMOV, bytes).Format->GetExtension(), ".mp4")
      << "the brands decide, not the class";
  EXPECT_EQ(MeasureBytes(skMP4, original).Format->GetExtension(), ".mov");
}

TEST(MovFormatTest, MoviesWrittenByFfmpegAreFoundWhole) {
  KOVA_FFMPEG_OR_SKIP();
  for (bool faststart : {false, true}) {
    SCOPED_TRACE(faststart ? "faststart" : "movie box last");
    std::vector<uint8_t> mov = test::FfmpegMovie("mov", faststart);
    std::vector<uint8_t> mp4 = test::FfmpegMovie("mp4", faststart);
    ASSERT_FALSE(mov.empty());
    ASSERT_FALSE(mp4.empty());
    ExpectWholeFile(mov, skMOV, ".mov");
    ExpectWholeFile(mp4, skMP4, ".mp4");
  }
}

TEST(MovFormatTest, CutMoviesCountOnlyWithTheirMovieHeader) {
  KOVA_FFMPEG_OR_SKIP();
  // A cut box reaches beyond the data, as far as its size says.
  for (bool faststart : {false, true}) {
    SCOPED_TRACE(faststart ? "faststart" : "movie box last");
    std::vector<uint8_t> movie = test::FfmpegMovie("mov", faststart);
    const auto whole = static_cast<int64_t>(movie.size());
    movie.resize(movie.size() - 200);
    EXPECT_EQ(MeasureAsScanned(movie).End, whole - 1);
  }
  std::vector<uint8_t> last = test::FfmpegMovie("mp4", false);
  last.resize(last.size() / 2);
  EXPECT_EQ(MeasureAsScanned(last).End, -1) << "the movie box is gone";
}

TEST(MovFormatTest, AFileNeedsAMovieHeaderAndAMovieFirstNeedsMedia) {
  std::vector<uint8_t> start = FileType("isom", "mp41");
  ExpectWholeFile(Joined({start, Media(64), Movie()}), skMP4, ".mp4");
  ExpectWholeFile(Joined({Movie(), Media(64)}), skMOV, ".mov");
  std::vector<uint8_t> headless = Joined({Box(16, "moov"), Box(8, "trak")});
  EXPECT_EQ(MeasureAsScanned(Joined({start, Media(64), headless})).End, -1);
  EXPECT_EQ(MeasureAsScanned(Joined({start, Media(64)})).End, -1);
  EXPECT_EQ(MeasureAsScanned(Joined({Movie(), Box(8, "free")})).End, -1)
      << "a movie box alone is the end of a movie whose media came first";
  std::vector<uint8_t> outside = Joined({Box(16, "moov"), Box(108, "mvhd")});
  EXPECT_EQ(MeasureAsScanned(Joined({start, Media(64), outside})).End, -1)
      << "a movie header reaching past its movie box";
}

TEST(MovFormatTest, TheFirstBoxMustBeOneThatWritersPutFirst) {
  const std::vector<uint8_t> rest = Joined({Media(64), Movie()});
  for (const char* type : {"wide", "free", "skip", "uuid", "pnot"}) {
    SCOPED_TRACE(type);
    std::vector<uint8_t> first = Box(24, type);
    first.resize(24, 0);
    ExpectWholeFile(Joined({first, rest}), skMOV, ".mov");
  }
  std::vector<uint8_t> track = Box(24, "trak");
  track.resize(24, 0);
  EXPECT_EQ(MeasureBytes(skMOV, Joined({track, rest})).End, -1);
  EXPECT_EQ(MeasureBytes(skMOV, Joined({Box(0, "mdat"), rest})).End, -1)
      << "a media box up to an unknown end";
}

TEST(MovFormatTest, FileTypeBoxesOfAnyPlausibleSizeAndBrand) {
  const std::vector<uint8_t> rest = Joined({Media(64), Movie()});
  for (uint32_t size : {8u, 12u, 16u, 20u, 48u, 512u}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> fileType = Box(size, "ftyp");
    std::string brands = size > 8 ? "qt  " : "";
    fileType.insert(fileType.end(), brands.begin(), brands.end());
    fileType.resize(size, 0);
    ExpectWholeFile(Joined({fileType, rest}), skMOV, ".mov");
  }
  std::vector<uint8_t> huge = Box(4096, "ftyp");
  huge.insert(huge.end(), {'q', 't', ' ', ' '});
  huge.resize(4096, 0);
  EXPECT_EQ(MeasureBytes(skMOV, Joined({huge, rest})).End, -1) << "no brand list is that long";
  EXPECT_EQ(MeasureBytes(skMOV, Joined({FileType("\x01\x02\x03\x04", "mp41"), rest})).End, -1)
      << "a major brand that is no four-character code";
  EXPECT_EQ(MeasureBytes(skMOV, Joined({FileType(" abc", "mp41"), rest})).End, -1);
  EXPECT_EQ(MeasureBytes(skMOV, Joined({Box(7, "ftyp"), rest})).End, -1);
}

TEST(MovFormatTest, BoxSizesAndTypesDecideTheEnd) {
  std::vector<uint8_t> start = Joined({FileType("isom", "mp41"), Movie()});
  const int64_t head = static_cast<int64_t>(start.size());
  std::vector<uint8_t> largeMedia = Joined({Box(1, "mdat"), {0, 0, 0, 0, 0, 0, 0x03, 0xF8}});
  largeMedia.resize(1016, 0x77);
  EXPECT_EQ(MeasureAsScanned(Joined({start, largeMedia, Box(8, "free")})).End, head + 1016 + 8 - 1)
      << "a media box with a 64-bit size";
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(16, "abcd"), Box(8, "free")})).End, head - 1)
      << "an unknown box ends the file before it";
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(4, "free"), Box(8, "free")})).End, head - 1)
      << "a box smaller than its header";
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(0, "mdat")})).End, head - 1);
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(8, "mo")})).End, head - 1) << "a cut header";
}

TEST(MovFormatTest, BoxesClaimingHugeSizesNeitherHangNorOverflow) {
  std::vector<uint8_t> start = Joined({FileType("qt  ", "qt  "), Movie()});
  const int64_t head = static_cast<int64_t>(start.size());
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(0xFFFFFFFF, "mdat")})).End, head + 0xFFFFFFFFll - 1)
      << "a 4 GiB media box extends beyond the data";
  test::TXMeasured brands =
      MeasureAsScanned(Joined({start, Box(0xFFFFFFF0, "ftyp"), {'m', 'p', '4', '1'}}));
  EXPECT_EQ(brands.End, head + 0xFFFFFFF0ll - 1);
  EXPECT_EQ(brands.Format->Kind, skMP4) << "the brands are read as far as the data goes";
  std::vector<uint8_t> absurd = Joined({start, Box(1, "mdat"), {0x80, 0, 0, 0, 0, 0, 0, 0}});
  EXPECT_EQ(MeasureAsScanned(absurd).End, head - 1);
  std::vector<uint8_t> backwards =
      Joined({start, Box(1, "mdat"), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE8}});
  EXPECT_EQ(MeasureAsScanned(backwards).End, head - 1) << "a size that would step back";
  std::vector<uint8_t> children = Joined({Box(0xFFFFFFF0, "moov"), Box(0xFFFFFF00, "trak")});
  EXPECT_EQ(MeasureAsScanned(Joined({FileType("qt  ", "qt  "), children})).End, -1)
      << "a movie box whose children reach beyond the data has no header";
}

TEST(MovFormatTest, AStoppedRunFindsNothing) {
  std::vector<uint8_t> bytes = Joined({FileType("isom", "mp41"), Movie()});
  TXMemoryStream stream(bytes);
  test::TXTestSearch search(stream);
  search.Terminate();
  TXDRScanFormatMP4 format;
  EXPECT_EQ(format.FindEnd(search.Search(), 0), -1);
}

}  // namespace
}  // namespace kova
