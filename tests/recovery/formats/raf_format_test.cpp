#include "recovery/formats/raf_format.h"

#include <gtest/gtest.h>

#include "format_samples.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::MeasureAsScanned;

TEST(RafFormatTest, AFujifilmFileEndsWithItsLastPartAndShowsItsPreview) {
  KOVA_SAMPLE_OR_SKIP(path, "fujifilm_s5pro_stripped.raf");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  // The S5 Pro has two sensors: the second one's raw data ends the file.
  test::TXMeasured measured = MeasureAsScanned(bytes);
  EXPECT_EQ(measured.End, static_cast<int64_t>(bytes.size()) - 1);
  EXPECT_EQ(measured.Format->GetExtension(), ".raf");
  auto& raf = static_cast<TXDRScanFormatRAF&>(*measured.Format);
  EXPECT_EQ(raf.PreviewOffset, 148);
  EXPECT_EQ(raf.PreviewLength, 12167);
  std::vector<uint8_t> medium = test::Embedded(bytes, 2048, bytes.size() + 4096);
  EXPECT_EQ(MeasureAsScanned(medium, 2048).End, 2048 + static_cast<int64_t>(bytes.size()) - 1);
  TXMemoryStream stream(medium);
  TXSize size;
  TXImageObject thumbnail;
  ASSERT_TRUE(
      measured.Format->MakeThumbnail(size, thumbnail, test::Extent(2048, bytes.size()), stream));
  EXPECT_FALSE(thumbnail.IsEmpty());
  EXPECT_TRUE(size.IsEmpty()) << "the preview's size is not the raw file's";
}

TEST(RafFormatTest, HeadersThatNameNoPreviewOrOnlyOneSensorAreMeasuredSoundly) {
  KOVA_SAMPLE_OR_SKIP(path, "fujifilm_s5pro_stripped.raf");
  const std::vector<uint8_t> original = test::SampleBytes(path);
  std::vector<uint8_t> oneSensor = original;
  oneSensor[0x80 + 3] = 0x00;  // the second raw data no longer follows the first
  EXPECT_EQ(MeasureAsScanned(oneSensor).End, 38408 + 22 - 1);
  std::vector<uint8_t> noPreview = original;
  noPreview[148] = 0x00;
  EXPECT_EQ(MeasureAsScanned(noPreview).End, -1) << "no JPEG where the preview should be";
  std::vector<uint8_t> cut(original.begin(), original.begin() + 90);
  EXPECT_EQ(MeasureAsScanned(cut).End, -1);
}

}  // namespace
}  // namespace kova
