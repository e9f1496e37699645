// Where a found JPEG ends: the end-of-image marker after its last scan, whatever follows it, and
// no end at all when its data is cut off and something else follows.
#include <gtest/gtest.h>

#include "format_samples.h"
#include "recovery/formats/jpeg_format.h"
#include "recovery/formats/jpeg_walk.h"
#include "support/jpeg_pictures.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::MeasureAsScanned;
using test::SampleBytes;

using TXBytes = std::vector<uint8_t>;

TXBytes Joined(std::initializer_list<const TXBytes*> parts) {
  TXBytes out;
  for (const TXBytes* part : parts)
    out.insert(out.end(), part->begin(), part->end());
  return out;
}

int64_t LastByte(const TXBytes& bytes) {
  return static_cast<int64_t>(bytes.size()) - 1;
}

// The position of the first `marker` after the first scan header of a sample.
size_t FirstMarkerInScan(const TXBytes& bytes, uint8_t marker) {
  TXMemoryStream stream(bytes);
  test::TXTestSearch search(stream);
  const auto scan = static_cast<size_t>(TXDRScanFormatJPG().FindScanStart(search.Search(), 0));
  for (size_t i = scan; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == marker) return i;
  return 0;
}

class JpegEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::SamplesDir().empty()) GTEST_SKIP() << "the folder of real camera samples is absent";
  }
  static TXBytes Sample(const char* name) { return SampleBytes(test::SamplesDir() / name); }
};

TEST_F(JpegEndTest, APictureEndsAtItsOwnEndWhateverFollows) {
  const TXBytes photo = Sample("kodak_dc240_exif_thumb.jpg");
  const TXBytes other = Sample("canon_ixus_exif_thumb.jpg");
  const TXBytes ones(5000, 0xFF), zeros(5000, 0x00), noise = test::NoiseBytes(70000, 3);
  const TXBytes strayEnd = {0x12, 0xFF, 0xD9, 0x00, 0xFF, 0xD9};
  for (const TXBytes* after : {&other, &ones, &zeros, &noise, &strayEnd}) {
    EXPECT_EQ(MeasureAsScanned(Joined({&photo, after})).End, LastByte(photo));
    // Inside another file: bytes before it, the rest of the file after it.
    const TXBytes inside = Joined({&noise, &photo, after});
    EXPECT_EQ(MeasureAsScanned(inside, static_cast<int64_t>(noise.size())).End,
              LastByte(noise) + static_cast<int64_t>(photo.size()));
  }
}

TEST_F(JpegEndTest, APictureCutShortHasNoEndInWhatFollows) {
  const TXBytes photo = Sample("kodak_dc240_exif_thumb.jpg");
  TXBytes cut(photo.begin(), photo.begin() + static_cast<int64_t>(photo.size()) * 2 / 3);
  // Another camera's photo with its Exif thumbnail: neither that thumbnail's end nor its
  // picture's is the cut photo's.
  const TXBytes next = Sample("canon_ixus_exif_thumb.jpg");
  EXPECT_EQ(MeasureAsScanned(Joined({&cut, &next})).End, -1);
  const TXBytes noise = test::NoiseBytes(70000, 4);
  EXPECT_EQ(MeasureAsScanned(Joined({&cut, &noise, &next})).End, -1);
  // The middle of a picture coded with restart markers: its restarts are out of turn here.
  const TXBytes restarted = Sample("casio_ex_s1_exif_thumb.jpg");
  const size_t restart = FirstMarkerInScan(restarted, 0xD0);
  ASSERT_GT(restart, 0u);
  const TXBytes middle(restarted.begin() + static_cast<int64_t>(restart) + 2, restarted.end());
  EXPECT_EQ(MeasureAsScanned(Joined({&cut, &middle})).End, -1);
}

TEST_F(JpegEndTest, AProgressivePictureEndsAfterItsLastScan) {
  if (!test::HaveJpegtran()) GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is not installed";
  const TXBytes photo = test::ProgressiveJpeg(test::SamplesDir() / "fujifilm_dx10_exif_thumb.jpg");
  ASSERT_GT(FirstMarkerInScan(photo, 0xDA), 0u) << "more than one scan";
  const TXBytes next = Sample("canon_ixus_exif_thumb.jpg");
  test::TXMeasured measured = MeasureAsScanned(Joined({&photo, &next}));
  EXPECT_EQ(measured.End, LastByte(photo));
  EXPECT_NE(measured.Format->Taken, 0) << "the Exif data was read";
  const TXBytes cut(photo.begin(), photo.end() - 4000);
  EXPECT_EQ(MeasureAsScanned(Joined({&cut, &next})).End, -1);
}

TEST_F(JpegEndTest, AMultiPictureFileEndsWithTheLastPictureItsIndexNames) {
  const TXBytes photo = Sample("olympus_pen_e_p3_exif_thumb.jpg");
  const TXBytes preview = Sample("sony_cybershot_exif_thumb.jpg");
  const TXBytes noise = test::NoiseBytes(20000, 5);
  for (uint32_t gap : {0u, 100u}) {
    const TXBytes file = test::WithMultiPictureIndex(photo, preview, gap);
    EXPECT_EQ(MeasureAsScanned(Joined({&file, &noise})).End, LastByte(file)) << gap;
  }
  // Only as far as the data proves: a preview cut short, or one the index names larger than
  // it is, ends the file with the photo.
  const TXBytes whole = test::WithMultiPictureIndex(photo, preview);
  const int64_t photoEnd = LastByte(whole) - static_cast<int64_t>(preview.size());
  const TXBytes cut(whole.begin(), whole.end() - 3000);
  EXPECT_EQ(MeasureAsScanned(Joined({&cut, &noise})).End, photoEnd);
  const TXBytes wrongSize = test::WithMultiPictureIndex(photo, preview, 0, 1000);
  EXPECT_EQ(MeasureAsScanned(Joined({&wrongSize, &noise})).End, photoEnd);
}

TEST(JpegWalkTest, StructuresNoDecoderReadsAreRefused) {
  auto measure = [](TXBytes bytes) {
    bytes.resize(bytes.size() + 64, 0x55);
    return MeasureAsScanned(bytes).End;
  };
  const TXBytes scan = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 63, 0, 0x12, 0x34};
  TXBytes sound = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0, 0};
  sound.insert(sound.end(), scan.begin(), scan.end());
  TXBytes ended = sound;
  ended.insert(ended.end(), {0xFF, 0x00, 0xFF, 0xD0, 0xFF, 0xD1, 0xFF, 0xFF, 0xD9});
  EXPECT_EQ(measure(ended), static_cast<int64_t>(ended.size()) - 1)
      << "stuffed bytes, restarts in turn and a fill byte before the end";
  TXBytes outOfTurn = sound;
  outOfTurn.insert(outOfTurn.end(), {0xFF, 0xD1, 0xFF, 0xD9});
  EXPECT_EQ(measure(outOfTurn), -1) << "a restart out of turn";
  TXBytes frameInScan = sound;
  frameInScan.insert(frameInScan.end(), {0xFF, 0xC0, 0x00, 0x04, 0, 0, 0xFF, 0xD9});
  EXPECT_EQ(measure(frameInScan), -1) << "a frame header after a scan";
  TXBytes noPrefix = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0, 0, 0x12, 0xDA, 0x00, 0x08};
  noPrefix.insert(noPrefix.end(), {0, 0, 0, 0, 0, 0, 0xFF, 0xD9});
  EXPECT_EQ(measure(noPrefix), -1) << "a header without its 0xFF";
  TXBytes shortLength = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01};
  shortLength.insert(shortLength.end(), scan.begin(), scan.end());
  EXPECT_EQ(measure(shortLength), -1) << "a segment shorter than its length field";
  // Thousands of empty segments before the scan are more than any writer makes.
  TXBytes manySegments = {0xFF, 0xD8};
  for (int i = 0; i < 5000; ++i)
    manySegments.insert(manySegments.end(), {0xFF, 0xE0, 0x00, 0x02});
  manySegments.insert(manySegments.end(), scan.begin(), scan.end());
  manySegments.insert(manySegments.end(), {0xFF, 0xD9});
  EXPECT_EQ(measure(manySegments), -1);
}

// The frame header's size, for a file and for a picture embedded in one, which may open with its
// tables instead of an application segment (cameras write Exif thumbnails so).
TEST(JpegWalkTest, TheHeadersGiveTheFrameSizeAndAnEmbeddedPictureMayOpenWithItsTables) {
  const TXBytes frame = {0xFF, 0xC0, 0x00, 0x0B, 8, 0x01, 0xE0, 0x02, 0x80, 1, 1, 0x11, 0};
  const TXBytes scan = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 63, 0, 0x12, 0x34, 0xFF, 0xD9};
  const TXBytes start = {0xFF, 0xD8}, app = {0xFF, 0xE0, 0x00, 0x04, 0, 0};
  const TXBytes tables = {0xFF, 0xDB, 0x00, 0x04, 0, 0};
  auto headers = [](const TXBytes& bytes, TXJpegOpening opening, TXJpegLayout& layout) {
    TXMemoryStream stream(bytes);
    test::TXTestSearch search(stream);
    return TXJpegWalk(search.Search()).ReadHeaders(0, layout, opening);
  };
  TXJpegLayout layout;
  ASSERT_TRUE(
      headers(Joined({&start, &app, &frame, &scan}), TXJpegOpening::joApplicationSegment, layout));
  EXPECT_EQ(layout.Frame, (TXSize{640, 480}));
  const TXBytes embedded = Joined({&start, &tables, &frame, &scan});
  EXPECT_FALSE(headers(embedded, TXJpegOpening::joApplicationSegment, layout));
  ASSERT_TRUE(headers(embedded, TXJpegOpening::joAnySegment, layout));
  EXPECT_EQ(layout.Frame, (TXSize{640, 480}));
  ASSERT_TRUE(headers(Joined({&start, &app, &scan}), TXJpegOpening::joAnySegment, layout));
  EXPECT_TRUE(layout.Frame.IsEmpty()) << "no frame header before the scan";
}

}  // namespace
}  // namespace kova
