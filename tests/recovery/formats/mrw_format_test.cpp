#include "recovery/formats/mrw_format.h"

#include <gtest/gtest.h>

#include "format_samples.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::MeasureAsScanned;

// A Minolta header: block length, sensor height and width, sample size.
std::vector<uint8_t> MrwHeader(uint32_t blockLength, uint16_t height, uint16_t width,
                               uint8_t sampleSize) {
  std::vector<uint8_t> bytes(64, 0);
  bytes[1] = 'M', bytes[2] = 'R', bytes[3] = 'M';
  for (int i = 0; i < 4; ++i)
    bytes[4 + i] = static_cast<uint8_t>(blockLength >> (24 - 8 * i));
  bytes[24] = static_cast<uint8_t>(height >> 8), bytes[25] = static_cast<uint8_t>(height);
  bytes[26] = static_cast<uint8_t>(width >> 8), bytes[27] = static_cast<uint8_t>(width);
  bytes[32] = sampleSize;
  return bytes;
}

TEST(MrwFormatTest, TheRawSamplesFollowTheHeaderBlock) {
  KOVA_SAMPLE_OR_SKIP(path, "minolta_dimage_a2_stripped.mrw");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  // The header block is 2572 bytes after the signature and its length: the raw data of the
  // 3272 x 2456 sensor, 12-bit packed, starts at 2580 (where the stripped file has a placeholder).
  int64_t last = 2580 + 3272 * 2456 * 3 / 2 - 1;
  test::TXMeasured measured = MeasureAsScanned(bytes);
  EXPECT_EQ(measured.Format->GetExtension(), ".mrw");
  EXPECT_EQ(measured.End, last);
  EXPECT_EQ(measured.Format->Dimensions, (TXSize{3272, 2456})) << "a landscape sensor";

  std::vector<uint8_t> medium = test::Embedded(bytes, 1536, 8192);
  EXPECT_EQ(MeasureAsScanned(medium, 1536).End, 1536 + last);
}

TEST(MrwFormatTest, TheSampleSizeDecidesTheRawSize) {
  EXPECT_EQ(MeasureAsScanned(MrwHeader(100, 10, 20, 12)).End, 8 + 100 + 300 - 1);
  EXPECT_EQ(MeasureAsScanned(MrwHeader(100, 10, 20, 16)).End, 8 + 100 + 400 - 1);
  EXPECT_EQ(MeasureAsScanned(MrwHeader(100, 10, 20, 16)).Format->Dimensions, (TXSize{20, 10}));
}

TEST(MrwFormatTest, HeadersWithoutASensorSizeAreNotFound) {
  EXPECT_EQ(MeasureAsScanned(MrwHeader(100, 0, 20, 12)).End, -1);
  EXPECT_EQ(MeasureAsScanned(MrwHeader(100, 10, 0, 12)).End, -1);
  std::vector<uint8_t> cut = MrwHeader(100, 10, 20, 12);
  cut.resize(25);
  EXPECT_EQ(MeasureAsScanned(cut).End, -1) << "the sensor size cut off";
  cut.resize(6);
  EXPECT_EQ(MeasureAsScanned(cut).End, -1) << "the block length cut off";
}

}  // namespace
}  // namespace kova
