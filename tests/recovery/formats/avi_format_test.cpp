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

// Heads of camera movies whose movie data was removed: the size fields still name 2 767 806 and
// 117 324 632 bytes. They end with their last sound chunk, whatever follows them.
TEST(AviFormatTest, AStrippedMovieEndsWithItsLastChunk) {
  for (const char* name : {"canon_mvi_stripped.avi", "pentax_kx_stripped.avi"}) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = test::SampleBytes(path);
    auto last = static_cast<int64_t>(bytes.size()) - 1;
    EXPECT_EQ(MeasureAsScanned(bytes).End, last);
    std::vector<uint8_t> zeros(bytes.size() + 65536);
    std::ranges::copy(bytes, zeros.begin());
    EXPECT_EQ(MeasureAsScanned(zeros).End, last) << "zeroed slack after it";
    std::vector<uint8_t> noise = test::Embedded(bytes, 4096, bytes.size() + 65536);
    EXPECT_EQ(MeasureAsScanned(noise, 4096).End, 4096 + last) << "other data after it";
  }
}

TEST(AviFormatTest, ASizeFieldNamingGigabytesIsNotBelieved) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_powershot_mvi_mjpeg.avi");
  std::vector<uint8_t> bytes = test::SampleBytes(path);
  auto last = static_cast<int64_t>(bytes.size()) - 1;
  for (uint32_t size : {0xFFFFFFF0u, 0x80000000u}) {
    std::vector<uint8_t> medium = test::Embedded(bytes, 0, bytes.size() + 65536);
    for (int i = 0; i < 4; ++i)
      medium[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    EXPECT_EQ(MeasureAsScanned(medium).End, last) << "the whole movie, not " << size << " bytes";
    // Cut inside its frames: the movie ends with the last whole frame.
    medium.resize(bytes.size() / 2);
    const int64_t end = MeasureAsScanned(medium).End;
    EXPECT_GT(end, 2048);
    EXPECT_LT(end, static_cast<int64_t>(medium.size()));
  }
}

// Four bytes of a chunk id, then its size, in the order RIFF writes them.
void PutChunk(std::vector<uint8_t>& bytes, size_t at, const char* id, uint32_t size) {
  std::copy_n(id, 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
  for (size_t i = 0; i < 4; ++i)
    bytes[at + 4 + i] = static_cast<uint8_t>(size >> (8 * i));
}

TEST(AviFormatTest, HostileChunkStructuresAreWalkedWithinBounds) {
  const uint32_t declared = 0xFFFFFFF0u;
  // Lists nested inside lists as deep as the bytes go: the walk stops at a depth no writer uses.
  std::vector<uint8_t> nested(1 << 16);
  PutChunk(nested, 0, "RIFF", declared);
  std::copy_n("AVI ", 4, nested.begin() + 8);
  for (size_t at = 12; at + 12 <= nested.size(); at += 12) {
    PutChunk(nested, at, "LIST", declared - 64);
    std::copy_n("movi", 4, nested.begin() + static_cast<std::ptrdiff_t>(at) + 8);
  }
  const int64_t end = MeasureAsScanned(nested).End;
  EXPECT_GT(end, 12);
  EXPECT_LT(end, 12 * 12);
  // Millions of empty chunks: more than any movie holds, so no result.
  std::vector<uint8_t> crowded(12 + 8 * ((size_t{1} << 21) + 16));
  PutChunk(crowded, 0, "RIFF", static_cast<uint32_t>(crowded.size() - 8));
  std::copy_n("AVI ", 4, crowded.begin() + 8);
  for (size_t at = 12; at + 8 <= crowded.size(); at += 8)
    PutChunk(crowded, at, "JUNK", 0);
  EXPECT_EQ(MeasureAsScanned(crowded).End, -1);
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
