#include "recovery/formats/avi_format.h"

#include <gtest/gtest.h>

#include "format_samples.h"
#include "support/test_paths.h"

namespace kova {
namespace {

using test::MeasureAsScanned;

TEST(AviFormatTest, CameraMoviesEndWithTheirRiffChunk) {
  for (const char* name : {"canon_powershot_mvi_mjpeg.avi", "sunplus_spmp_camera.avi"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = test::SampleBytes(path);
    auto last = static_cast<int64_t>(bytes.size()) - 1;
    test::TXMeasured measured = MeasureAsScanned(bytes);
    EXPECT_EQ(measured.End, last);
    EXPECT_EQ(measured.Format->GetExtension(), ".avi");
    std::vector<uint8_t> medium = test::Embedded(bytes, 32768, bytes.size() + 65536);
    EXPECT_EQ(MeasureAsScanned(medium, 32768).End, 32768 + last) << "what follows is not counted";
  }
}

TEST(AviFormatTest, AStrippedMovieExtendsAsFarAsItsChunkSays) {
  // The movie data was removed; the size field still names 2 767 806 bytes.
  KOVA_SAMPLE_OR_SKIP(path, "canon_mvi_stripped.avi");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  EXPECT_EQ(MeasureAsScanned(bytes).End, 2767806 - 1);
}

TEST(AviFormatTest, OtherRiffFilesAndEmptyChunksAreNotFound) {
  KOVA_SAMPLE_OR_SKIP(path, "sunplus_spmp_camera.avi");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  std::vector<uint8_t> wave = bytes;
  std::copy_n("WAVE", 4, wave.begin() + 8);
  EXPECT_EQ(MeasureAsScanned(wave).End, -1);
  std::vector<uint8_t> empty = bytes;
  std::fill_n(empty.begin() + 4, 4, 0);
  EXPECT_EQ(MeasureAsScanned(empty).End, -1);
  bytes.resize(10);
  EXPECT_EQ(MeasureAsScanned(bytes).End, -1) << "cut inside the form type";
}

}  // namespace
}  // namespace kova
