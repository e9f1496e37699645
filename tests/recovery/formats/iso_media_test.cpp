#include <gtest/gtest.h>

#include <string>

#include "format_samples.h"
#include "framework/error_data.h"
#include "recovery/formats/mov_format.h"
#include "support/media_tools.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::ExpectWholeFile;
using test::MeasureAsScanned;

// Makes the 32-bit big-endian box size at `at` larger by `delta`.
void Grow(std::vector<uint8_t>& bytes, size_t at, uint32_t delta) {
  uint32_t size = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                  (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
  size += delta;
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
}

bool ThumbnailOf(const std::vector<uint8_t>& bytes, test::TXMeasured& measured,
                 TXImageObject& thumbnail) {
  TXMemoryStream stream(bytes);
  TXSize size;
  return measured.Format->MakeThumbnail(size, thumbnail, test::Extent(0, bytes.size()), stream);
}

TEST(IsoMediaTest, CanonCr3FilesAreMeasuredAsTheirBoxesSay) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_eos_m50_stripped.cr3");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  ExpectWholeFile(bytes, skCR3, ".cr3");
  // The stripped file's thumbnail box holds a placeholder, not a picture.
  test::TXMeasured measured = MeasureAsScanned(bytes);
  TXImageObject thumbnail;
  EXPECT_FALSE(ThumbnailOf(bytes, measured, thumbnail));
  EXPECT_TRUE(thumbnail.IsEmpty());
}

TEST(IsoMediaTest, ACr3ThumbnailIsTheJpegOfItsThumbnailBox) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_eos_m50_stripped.cr3");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  const std::vector<uint8_t> photo =
      test::SampleBytes(test::SamplesDir() / "canon_ixus_exif_thumb.jpg");  // 640 x 480
  // The movie box at 24 holds Canon's box at 32, which holds the thumbnail box at 8736; its
  // picture follows 16 bytes of fields, where the stripped file has a placeholder.
  const size_t picture = 8736 + 8 + 16;
  const size_t boxEnd = 8736 + 52;
  ASSERT_EQ(std::string(bytes.begin() + 8740, bytes.begin() + 8744), "THMB");
  const auto delta = static_cast<uint32_t>(photo.size() - (boxEnd - picture));
  bytes.erase(bytes.begin() + picture, bytes.begin() + boxEnd);
  bytes.insert(bytes.begin() + picture, photo.begin(), photo.end());
  for (size_t box : {24u, 32u, 8736u})
    Grow(bytes, box, delta);
  ExpectWholeFile(bytes, skCR3, ".cr3");
  test::TXMeasured measured = MeasureAsScanned(bytes);
  EXPECT_EQ(static_cast<TXDRScanFormatMOV&>(*measured.Format).PreviewOffset,
            static_cast<int64_t>(picture));
  TXImageObject thumbnail;
  ASSERT_TRUE(ThumbnailOf(bytes, measured, thumbnail));
  EXPECT_EQ(thumbnail.Width(), 72);
  EXPECT_EQ(thumbnail.Height(), 54);
}

TEST(IsoMediaTest, HeicPicturesCountWithTheirItemLocations) {
  KOVA_SAMPLE_OR_SKIP(path, "heif_stripped.heic");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  ExpectWholeFile(bytes, skHEIC, ".heic");
  // Its pictures were stripped, the thumbnail's too: making one fails, with nothing drawn.
  test::TXMeasured measured = MeasureAsScanned(bytes);
  EXPECT_TRUE(measured.Format->CanMakeThumbnail());
  TXImageObject thumbnail;
  EXPECT_FALSE(ThumbnailOf(bytes, measured, thumbnail));
  EXPECT_TRUE(thumbnail.IsEmpty());
  ClearThreadError();
  // Without the item locations the meta box describes nothing.
  std::vector<uint8_t> unlocated = bytes;
  std::copy_n("iloX", 4, unlocated.begin() + 91);
  EXPECT_EQ(MeasureAsScanned(unlocated).End, -1);
}

TEST(IsoMediaTest, PicturesWrittenByHeifEncAreFoundWhole) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "canon_ixus_exif_thumb.jpg");
  for (bool thumbnail : {false, true}) {
    SCOPED_TRACE(thumbnail ? "with a thumbnail" : "without one");
    std::vector<uint8_t> bytes = test::HeifEncPicture(photo, thumbnail);
    ASSERT_FALSE(bytes.empty());
    ExpectWholeFile(bytes, skHEIC, ".heic");
  }
}

}  // namespace
}  // namespace kova
