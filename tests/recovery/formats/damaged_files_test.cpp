#include <gtest/gtest.h>

#include <random>

#include "format_samples.h"
#include "framework/error_data.h"
#include "support/test_paths.h"

namespace kova {
namespace {

// Real files of every format, damaged at random places: every measurement and every thumbnail
// must end with an answer (any answer) instead of a crash, a hang or a huge allocation.
TEST(DamagedFilesTest, RandomDamageGivesAnswersNotCrashes) {
  const char* names[] = {"canon_ixus_exif_thumb.jpg",
                         "casio_ex_s1_exif_thumb.jpg",
                         "canon_powershot_s90_head.cr2",
                         "nikon_d70_capture_stripped.nef",
                         "adobe_dng_from_canon_350d_stripped.dng",
                         "pentax_k3ii.pef",
                         "panasonic_dmc_lx3_stripped.rw2",
                         "sony_dslr_a330_head.arw",
                         "minolta_dimage_a2_stripped.mrw",
                         "canon_mvi_stripped.avi",
                         "imovie_export.mp4",
                         "sony_dsc_s600_lzw.tif"};
  std::mt19937 random(2024);
  for (const char* name : names) {
    KOVA_SAMPLE_OR_SKIP(path, name);
    SCOPED_TRACE(name);
    const std::vector<uint8_t> original = test::SampleBytes(path);
    for (int round = 0; round < 40; ++round) {
      std::vector<uint8_t> bytes = original;
      // Most structure lies in the first kilobytes: damage there (not the start pattern), and cut
      // the file sometimes.
      size_t reach = std::min<size_t>(bytes.size(), 4096);
      for (int hits = 1 + random() % 8; hits > 0; --hits) {
        bytes[8 + random() % (reach - 8)] = static_cast<uint8_t>(random());
      }
      if (round % 4 == 0) bytes.resize(8 + random() % (bytes.size() - 8));
      test::TXMeasured measured = test::MeasureAsScanned(bytes);
      ASSERT_NE(measured.Format, nullptr);
      int64_t size = measured.End >= 0 ? std::min<int64_t>(measured.End + 1, bytes.size())
                                       : static_cast<int64_t>(bytes.size());
      TXMemoryStream stream(bytes);
      TXSize picture;
      TXImageObject thumbnail;
      measured.Format->MakeThumbnail(picture, thumbnail, test::Extent(0, size), stream);
      EXPECT_LE(thumbnail.Width(), 72);
    }
  }
  ClearThreadError();
}

}  // namespace
}  // namespace kova
