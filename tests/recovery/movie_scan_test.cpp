#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fat/tool_card.h"
#include "framework/text_utils.h"
#include "recovery/scan_harness.h"
#include "support/media_tools.h"
#include "support/test_paths.h"

namespace kova {
namespace {

constexpr int64_t kMiB = 1 << 20;

// Movies as phones, cameras and ffmpeg write them, on a FAT card made by mkfs.fat and mtools:
// deleted ones must come back from their entries, ones without an entry from their content.
class MovieCardScan : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_FAT_TOOLS_OR_SKIP();
    KOVA_FFMPEG_OR_SKIP();
    if (test::SamplesDir().empty()) GTEST_SKIP() << "the folder of real camera samples is absent";
  }

  static std::vector<uint8_t> Sample(const char* name) {
    return test::ReadFileBytes(test::SamplesDir() / name);
  }

  // Every movie the card was given, by content.
  std::map<std::string, std::vector<uint8_t>> Movies() {
    return {
        {"iphone.mov", Sample("apple_iphone6_gps.mov")},
        {"panasonic.mov", Sample("panasonic_camera_mjpeg.mov")},
        {"pentax.mov", Sample("pentax_camera_stripped.mov")},
        {"android.mp4", Sample("android_phone_gps.mp4")},
        {"ffmpeg.mov", test::FfmpegMovie("mov", false, 1)},
        {"faststart.mov", test::FfmpegMovie("mov", true, 2)},
        {"ffmpeg.mp4", test::FfmpegMovie("mp4", false, 3)},
        {"faststart.mp4", test::FfmpegMovie("mp4", true, 4)},
    };
  }

  // The found files with exactly these bytes.
  std::vector<const TXDRFileItem*> FoundWith(const std::vector<uint8_t>& bytes) {
    std::vector<const TXDRFileItem*> found;
    for (int32_t i = 0; i < scan_.Files().Count(); ++i) {
      const TXDRFileItem* item = scan_.Files()[i];
      if (item->Size() == static_cast<int64_t>(bytes.size()) &&
          test::FoundBytes(card_.Image(), *item) == bytes)
        found.push_back(item);
    }
    return found;
  }

  test::ToolCard card_;
  test::ScanHarness scan_;
};

TEST_F(MovieCardScan, DeletedMoviesComeBackFromTheirEntries) {
  ASSERT_TRUE(card_.Partition(24 * kMiB, ""));
  ASSERT_TRUE(card_.Format(1, 0, 24 * 1024, 16, 4, "MOVIES"));
  const auto movies = Movies();
  for (const auto& [name, bytes] : movies) {
    ASSERT_FALSE(bytes.empty()) << name;
    ASSERT_TRUE(card_.Write(1, "DCIM/" + name, bytes)) << name;
  }
  for (const auto& [name, bytes] : movies)
    ASSERT_TRUE(card_.Delete(1, "DCIM/" + name)) << name;
  ASSERT_TRUE(scan_.ScanImage(card_.Image().string()));
  ASSERT_EQ(scan_.endCode, kErrNone);
  for (const auto& [name, bytes] : movies) {
    SCOPED_TRACE(name);
    std::vector<const TXDRFileItem*> found = FoundWith(bytes);
    ASSERT_EQ(found.size(), 1u) << "comes back once, byte for byte";
    EXPECT_TRUE(found[0]->IsDeletedEntry());
    // A name that fits a short entry has lost its first letter; a long name gives it back.
    const bool shortName = name.find('.') <= 8;
    EXPECT_EQ(found[0]->Name, shortName ? "!" + name.substr(1) : name);
    EXPECT_EQ(found[0]->Folder, "DCIM");
  }
}

TEST_F(MovieCardScan, MoviesWithoutEntriesAreFoundByTheirContent) {
  // A card whose volume ends early; the movies lie behind it, each on a sector of its own.
  ASSERT_TRUE(card_.Partition(16 * kMiB, ""));
  ASSERT_TRUE(card_.Format(1, 0, 8 * 1024, 16, 1, "SMALL"));
  std::vector<uint8_t> image = test::ReadFileBytes(card_.Image());
  const auto movies = Movies();
  int64_t at = 9 * kMiB;
  for (const auto& [name, bytes] : movies) {
    ASSERT_FALSE(bytes.empty()) << name;
    std::copy(bytes.begin(), bytes.end(), image.begin() + at);
    at += (static_cast<int64_t>(bytes.size()) / 512 + 3) * 512;
  }
  test::WriteFileBytes(card_.Image(), image);
  ASSERT_TRUE(scan_.ScanImage(card_.Image().string()));
  ASSERT_EQ(scan_.endCode, kErrNone);
  for (const auto& [name, bytes] : movies) {
    SCOPED_TRACE(name);
    std::vector<const TXDRFileItem*> found = FoundWith(bytes);
    ASSERT_EQ(found.size(), 1u) << "found once, byte for byte";
    EXPECT_EQ(found[0]->Ext, name.substr(name.rfind('.')));
  }
}

TEST_F(MovieCardScan, ACamcorderStreamIsFoundOnceNotInPieces) {
  // Its tables repeat all through the stream; where one lies on the grid, a search that went on
  // inside the stream would take the rest of it for another file.
  ASSERT_TRUE(card_.Partition(16 * kMiB, ""));
  ASSERT_TRUE(card_.Format(1, 0, 8 * 1024, 16, 1, "SMALL"));
  const std::vector<uint8_t> stream = test::FfmpegTransportStream(8);
  ASSERT_GT(stream.size(), 100000u);
  std::vector<uint8_t> image = test::ReadFileBytes(card_.Image());
  std::copy(stream.begin(), stream.end(), image.begin() + 9 * kMiB);
  test::WriteFileBytes(card_.Image(), image);
  ASSERT_TRUE(scan_.ScanImage(card_.Image().string()));
  ASSERT_EQ(scan_.endCode, kErrNone);
  EXPECT_EQ(FoundWith(stream).size(), 1u);
  int streams = 0;
  for (int32_t i = 0; i < scan_.Files().Count(); ++i)
    streams += scan_.Files()[i]->Ext == ".mts";
  EXPECT_EQ(streams, 1);
}

}  // namespace
}  // namespace kova
