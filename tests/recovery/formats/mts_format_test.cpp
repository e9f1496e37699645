#include "recovery/formats/mts_format.h"

#include <gtest/gtest.h>

#include "format_samples.h"
#include "recovery/formats/scan_format_registry.h"
#include "support/media_tools.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::ExpectWholeFile;
using test::MeasureAsScanned;

TEST(MtsFormatTest, CamcorderStreamsEndWithTheirLastWholePacket) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_avchd_stripped.mts");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  ExpectWholeFile(bytes, skMTS, ".mts");
  std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 100);
  EXPECT_EQ(MeasureAsScanned(cut).End, 6 * 192 - 1) << "a packet cut short is left out";
  EXPECT_FALSE(CreateFormat(skMTS)->MayHoldPictures());
}

TEST(MtsFormatTest, StreamsWrittenByFfmpegAreFoundWhole) {
  KOVA_FFMPEG_OR_SKIP();
  std::vector<uint8_t> bytes = test::FfmpegTransportStream(1);
  ASSERT_FALSE(bytes.empty());
  ExpectWholeFile(bytes, skMTS, ".mts");
}

TEST(MtsFormatTest, AFewPacketsInStepAreNoFile) {
  std::vector<uint8_t> bytes(3 * 192 + 500, 0x11);
  for (int k = 0; k < 3; ++k) {
    bytes[192 * k + 4] = 0x47;
    bytes[192 * k + 5] = 0x40;
  }
  EXPECT_EQ(MeasureAsScanned(bytes).End, -1);
  bytes[3 * 192 + 4] = 0x47;
  EXPECT_EQ(MeasureAsScanned(bytes).End, 4 * 192 - 1);
}

}  // namespace
}  // namespace kova
