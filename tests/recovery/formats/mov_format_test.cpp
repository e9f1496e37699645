#include "recovery/formats/mov_format.h"

#include <gtest/gtest.h>

#include <string>

#include "format_samples.h"
#include "support/test_paths.h"

namespace kova {
namespace {

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

TEST(MovFormatTest, Mp4FilesEndWithTheirLastBox) {
  // The iMovie export has a "wide" box between its movie box and its media.
  for (const char* name : {"android_phone_gps.mp4", "flir_one_thermal.mp4", "imovie_export.mp4"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = test::SampleBytes(path);
    auto last = static_cast<int64_t>(bytes.size()) - 1;
    test::TXMeasured measured = MeasureAsScanned(bytes);
    EXPECT_EQ(measured.End, last);
    EXPECT_EQ(measured.Format->Kind, skMP4);
    EXPECT_EQ(measured.Format->GetExtension(), ".mp4");
    std::vector<uint8_t> medium = test::Embedded(bytes, 4096, bytes.size() + 8192);
    EXPECT_EQ(MeasureAsScanned(medium, 4096).End, 4096 + last) << "noise is no box";
  }
}

TEST(MovFormatTest, QuickTimeBrandsGiveAMovFile) {
  KOVA_SAMPLE_OR_SKIP(path, "apple_iphone6_gps.mov");
  std::vector<uint8_t> original = test::SampleBytes(path);
  EXPECT_EQ(MeasureBytes(skMOV, original).End, -1) << "a 20-byte file-type box is no start";
  // The same movie with a 24-byte file-type box listing only QuickTime brands.
  std::vector<uint8_t> bytes = FileType("qt  ", "qt  ");
  bytes.insert(bytes.end(), original.begin() + 20, original.end());
  test::TXMeasured measured = MeasureAsScanned(bytes);
  EXPECT_EQ(measured.End, static_cast<int64_t>(bytes.size()) - 1);
  EXPECT_EQ(measured.Format->GetExtension(), ".mov");
  EXPECT_EQ(MeasureBytes(skMP4, bytes).Format->GetExtension(), ".mov")
      << "the brands decide, not the class";
}

TEST(MovFormatTest, MoviesThatDoNotStartWithAnAcceptedHeaderAreNotFound) {
  // Media first, movie box first.
  for (const char* name : {"panasonic_camera_mjpeg.mov", "pentax_camera_stripped.mov"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    EXPECT_EQ(MeasureBytes(skMOV, test::SampleBytes(path)).End, -1) << name;
  }
}

TEST(MovFormatTest, BoxSizesAndTypesDecideTheEnd) {
  std::vector<uint8_t> start = FileType("isom", "mp41");
  std::vector<uint8_t> largeMedia = Joined({Box(1, "mdat"), {0, 0, 0, 0, 0, 0, 0x03, 0xF8}});
  largeMedia.resize(1016, 0x77);
  EXPECT_EQ(MeasureAsScanned(Joined({start, largeMedia, Box(8, "moov")})).End, 24 + 1016 + 8 - 1)
      << "a media box with a 64-bit size";
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(16, "abcd"), Box(8, "moov")})).End, 23)
      << "an unknown box ends the file before it";
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(4, "free"), Box(8, "moov")})).End, 23)
      << "a box smaller than its header";
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(0, "mdat")})).End, 23);
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(8, "mo")})).End, 23) << "a cut header";
}

TEST(MovFormatTest, BoxesClaimingHugeSizesNeitherHangNorOverflow) {
  std::vector<uint8_t> start = FileType("qt  ", "qt  ");
  EXPECT_EQ(MeasureAsScanned(Joined({start, Box(0xFFFFFFFF, "mdat")})).End, 24 + 0xFFFFFFFFll - 1)
      << "a 4 GiB media box extends beyond the data";
  test::TXMeasured brands =
      MeasureAsScanned(Joined({start, Box(0xFFFFFFF0, "ftyp"), {'m', 'p', '4', '1'}}));
  EXPECT_EQ(brands.End, 24 + 0xFFFFFFF0ll - 1);
  EXPECT_EQ(brands.Format->Kind, skMP4) << "the brands are read as far as the data goes";
  std::vector<uint8_t> absurd = Joined({start, Box(1, "mdat"), {0x80, 0, 0, 0, 0, 0, 0, 0}});
  EXPECT_EQ(MeasureAsScanned(absurd).End, 23);
  std::vector<uint8_t> backwards =
      Joined({start, Box(1, "mdat"), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE8}});
  EXPECT_EQ(MeasureAsScanned(backwards).End, 23) << "a size that would step back";
}

TEST(MovFormatTest, AStoppedRunFindsNothing) {
  std::vector<uint8_t> bytes = Joined({FileType("isom", "mp41"), Box(8, "moov")});
  TXMemoryStream stream(bytes);
  test::TXTestSearch search(stream);
  search.Terminate();
  TXDRScanFormatMP4 format;
  EXPECT_EQ(format.FindEnd(search.Search(), 0), -1);
}

}  // namespace
}  // namespace kova
