#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "card_builder.h"
#include "imaging/jpeg_thumbnail.h"
#include "recovery/file_item.h"
#include "recovery/scan_harness.h"
#include "support/media_tools.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

constexpr uint64_t kMiB = 1 << 20;

mkcard::Content ContentOf(std::vector<uint8_t> bytes) {
  mkcard::Content content;
  content.bytes = std::move(bytes);
  content.kind = "data";
  return content;
}

// Movies and HEIC pictures of phones and cameras, and ones that ffmpeg and heif-enc write, on a
// card made by the card builder: live, deleted, and without an entry (found by their content).
// Each shows its picture after a scan, as photos do.
class MediaCardScan : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_FFMPEG_OR_SKIP();
    KOVA_HEIF_ENC_OR_SKIP();
    if (test::SamplesDir().empty()) GTEST_SKIP() << "the folder of real camera samples is absent";
    mkcard::VolumeOptions volume;
    volume.type = mkcard::FatType::kFat16;
    volume.card_bytes = 64 * kMiB;
    volume.sectors_per_cluster = 4;
    volume.label = "MEDIA";
    ASSERT_TRUE(card_.Format(volume).ok());
  }

  static std::vector<uint8_t> Sample(const char* name) {
    return test::ReadFileBytes(test::SamplesDir() / name);
  }

  void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    ASSERT_FALSE(bytes.empty()) << path;
    mkcard::EntryOptions entry;
    entry.generate_short_name = true;
    const mkcard::Status written = card_.WriteFile(path, ContentOf(bytes), {}, entry);
    ASSERT_TRUE(written.ok()) << written.message();
    expected_[path] = bytes;
  }

  // Every found file whose bytes are exactly these.
  std::vector<const TXDRFileItem*> FoundWith(const std::vector<uint8_t>& image,
                                             const std::vector<uint8_t>& bytes) {
    std::vector<const TXDRFileItem*> found;
    for (int32_t i = 0; i < scan_.Files().Count(); ++i) {
      const TXDRFileItem* item = scan_.Files()[i];
      if (item->Size() != static_cast<int64_t>(bytes.size())) continue;
      std::vector<uint8_t> content;
      for (const TXBlock& block : item->Blocks())
        content.insert(content.end(), image.begin() + block.Start, image.begin() + block.End());
      if (content == bytes) found.push_back(item);
    }
    return found;
  }

  mkcard::CardBuilder card_;
  test::TempDir dir_;
  test::ScanHarness scan_;
  std::map<std::string, std::vector<uint8_t>> expected_;
};

TEST_F(MediaCardScan, EveryMovieAndHeicPictureShowsAThumbnail) {
  ASSERT_TRUE(card_.MakeFolder("DCIM").ok());
  const std::filesystem::path photo = test::SamplesDir() / "canon_ixus_exif_thumb.jpg";
  Write("DCIM/IPHONE.MOV", Sample("apple_iphone6_gps.mov"));
  Write("DCIM/ANDROID.MP4", Sample("android_phone_gps.mp4"));
  Write("DCIM/MVI_4823.AVI", Sample("canon_powershot_mvi_mjpeg.avi"));
  Write("DCIM/00001.MTS",
        test::FfmpegTestMovie("-c:v libx264 -f mpegts -mpegts_m2ts_mode 1", 2, "320x240", true));
  Write("DCIM/IMG_0001.HEIC", test::HeifEncPicture(photo, true));
  Write("DCIM/PANA.MOV", Sample("panasonic_camera_mjpeg.mov"));
  Write("DCIM/FLIR.MP4", Sample("flir_one_thermal.mp4"));
  Write("DCIM/100_0306.AVI", Sample("sunplus_spmp_camera.avi"));
  Write("DCIM/IMG_0002.HEIC", test::HeifEncPicture(photo, false));
  for (const char* deleted :
       {"DCIM/PANA.MOV", "DCIM/FLIR.MP4", "DCIM/100_0306.AVI", "DCIM/IMG_0002.HEIC"})
    ASSERT_TRUE(card_.Delete(deleted).ok()) << deleted;
  // In free clusters, without entries.
  std::map<std::string, std::vector<uint8_t>> loose = {
      {"ffmpeg.avi", test::FfmpegTestMovie("-c:v mjpeg -f avi", 2, "320x240", true)},
      {"ffmpeg.mov", test::FfmpegTestMovie("-c:v libx264 -f mov", 2, "320x240", true)},
      {"ffmpeg.mp4", test::FfmpegTestMovie("-c:v libx264 -f mp4", 2, "320x240", true)},
      {"ffmpeg.mts",
       test::FfmpegTestMovie("-c:v mpeg2video -f mpegts -mpegts_m2ts_mode 1", 2, "320x240", true)},
      {"heif-enc.heic",
       test::HeifEncPicture(test::SamplesDir() / "sony_cybershot_exif_thumb.jpg", true)},
  };
  uint64_t at = 40 * kMiB;
  for (const auto& [name, bytes] : loose) {
    ASSERT_FALSE(bytes.empty()) << name;
    const mkcard::Status written = card_.WriteRaw(at, ContentOf(bytes), name);
    ASSERT_TRUE(written.ok()) << name << ": " << written.message();
    expected_[name] = bytes;
    at += (bytes.size() / 512 + 8) * 512;
  }
  const std::filesystem::path image = dir_ / "media.img";
  ASSERT_TRUE(card_.Save(image).ok());
  ASSERT_TRUE(scan_.ScanImage(image.string()));
  ASSERT_EQ(scan_.endCode, kErrNone);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(image);
  for (const auto& [name, content] : expected_) {
    SCOPED_TRACE(name);
    const std::vector<const TXDRFileItem*> found = FoundWith(bytes, content);
    ASSERT_EQ(found.size(), 1u) << "found once, byte for byte";
    EXPECT_FALSE(found[0]->Thumbnail.IsEmpty());
    EXPECT_LE(found[0]->Thumbnail.Width(), KeptThumbnailBox().Width);
    EXPECT_LE(found[0]->Thumbnail.Height(), KeptThumbnailBox().Height);
    EXPECT_FALSE(MayBeDamaged(*found[0]));
    EXPECT_FALSE(found[0]->Dimensions.IsEmpty());
  }
}

// Broken and hostile movies on a card: the scan ends, the files are offered with the generic icon
// where no frame decodes.
TEST_F(MediaCardScan, BrokenMoviesEndTheScanWithoutAPicture) {
  ASSERT_TRUE(card_.MakeFolder("DCIM").ok());
  const std::vector<uint8_t> movie = test::FfmpegTestMovie("-c:v libx264 -f mp4", 2, "320x240");
  ASSERT_FALSE(movie.empty());
  std::vector<uint8_t> cut(movie.begin(), movie.begin() + movie.size() / 3);
  std::vector<uint8_t> noise = test::NoiseBytes(256 * 1024, 30);
  Write("DCIM/CUT.MP4", cut);
  Write("DCIM/NOISE.MOV", noise);
  Write("DCIM/NOISE.AVI", noise);
  Write("DCIM/NOISE.MTS", noise);
  Write("DCIM/NOISE.HEIC", noise);
  Write("DCIM/HUGE.AVI", test::WithHugeJpegFrames(test::FfmpegTestMovie("-c:v mjpeg -f avi")));
  Write("DCIM/STRIPPED.MOV", Sample("pentax_camera_stripped.mov"));
  Write("DCIM/STRIPPED.HEIC", Sample("heif_stripped.heic"));
  const std::filesystem::path image = dir_ / "broken.img";
  ASSERT_TRUE(card_.Save(image).ok());
  ASSERT_TRUE(scan_.ScanImage(image.string()));
  ASSERT_EQ(scan_.endCode, kErrNone);
  for (const auto& [path, content] : expected_) {
    SCOPED_TRACE(path);
    const TXDRFileItem* item = scan_.Find(path.substr(path.find('/') + 1));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Thumbnail.IsEmpty());
  }
}

}  // namespace
}  // namespace kova
