#include "imaging/heif_thumbnail.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "framework/error_data.h"
#include "imaging/decode_stop.h"
#include "imaging/jpeg_thumbnail.h"
#include "picture_files.h"
#include "support/media_tools.h"
#include "support/test_paths.h"
#include "support/thread_error.h"

namespace kova {
namespace {

// The thumbnail decoded from the bytes for the box, and what went wrong.
struct ThumbnailOf {
  explicit ThumbnailOf(const std::vector<uint8_t>& bytes, TXSize box = kThumbnailBox) {
    TXMemoryStream stream(bytes);
    Error = test::ErrorTextOf([&] { Made = DecodeHeifThumbnail(stream, box, Size, Image); });
  }

  bool Made = false;
  TXSize Size;
  TXImageObject Image;
  std::string Error;
};

void JpegThumbnailOf(const std::filesystem::path& photo, TXSize box, TXImageObject& image) {
  TXMemoryStream stream(test::ReadFileBytes(photo));
  TXSize size;
  EXPECT_TRUE(DecodeJpegThumbnail(stream, box, size, image));
}

void ExpectFailure(const ThumbnailOf& made) {
  EXPECT_FALSE(made.Made);
  EXPECT_TRUE(made.Image.IsEmpty());
  EXPECT_TRUE(made.Size.IsEmpty());
  EXPECT_FALSE(made.Error.empty());
}

// A HEIC picture's thumbnail and preview have the size and look of the JPEG's it was made from,
// from its thumbnail image or, without a large enough one, from the picture itself.
TEST(HeifThumbnail, LooksLikeTheJpegItWasMadeFrom) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "canon_ixus_exif_thumb.jpg");
  for (bool thumbnail : {true, false}) {
    SCOPED_TRACE(thumbnail ? "with a thumbnail image" : "without one");
    const std::vector<uint8_t> heic = test::HeifEncPicture(photo, thumbnail);
    ASSERT_FALSE(heic.empty());
    for (TXSize box : {kThumbnailBox, kPreviewBox}) {
      SCOPED_TRACE(box.Width);
      TXImageObject expected;
      JpegThumbnailOf(photo, box, expected);
      const ThumbnailOf made(heic, box);
      ASSERT_TRUE(made.Made) << made.Error;
      EXPECT_EQ(made.Size, (TXSize{640, 480}));
      EXPECT_EQ(made.Image.Width(), expected.Width());
      EXPECT_EQ(made.Image.Height(), expected.Height());
      // heif-enc codes the small thumbnail image with a strong loss.
      EXPECT_LT(test::MeanColourDifference(made.Image, expected), thumbnail ? 24.0 : 12.0);
    }
  }
}

TEST(HeifThumbnail, TheStrippedSampleHasNoPictureToShow) {
  KOVA_SAMPLE_OR_SKIP(path, "heif_stripped.heic");
  ExpectFailure(ThumbnailOf(test::ReadFileBytes(path)));
}

// Cut pictures, damaged bytes, random bytes: a picture or none, never a crash.
TEST(HeifThumbnail, BrokenPicturesEndWithOrWithoutAPicture) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "canon_ixus_exif_thumb.jpg");
  const std::vector<uint8_t> heic = test::HeifEncPicture(photo, true);
  ASSERT_FALSE(heic.empty());
  std::mt19937 random(30);
  for (size_t cut = 1; cut < 16; ++cut) {
    const ThumbnailOf made({heic.begin(), heic.begin() + heic.size() * cut / 16});
    if (!made.Made) ExpectFailure(made);
  }
  for (int round = 0; round < 32; ++round) {
    std::vector<uint8_t> damaged = heic;
    for (int hits = 0; hits < 8; ++hits)
      damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    const ThumbnailOf made(damaged);
    if (!made.Made) ExpectFailure(made);
  }
  std::vector<uint8_t> noise(1 << 16);
  for (uint8_t& byte : noise)
    byte = static_cast<uint8_t>(random());
  ExpectFailure(ThumbnailOf(noise));
  ExpectFailure(ThumbnailOf(std::vector<uint8_t>()));
}

// A picture size beyond any camera's, named by the picture's size property, is refused before
// it is decoded.
TEST(HeifThumbnail, HugePictureSizesAreRefused) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "canon_ixus_exif_thumb.jpg");
  std::vector<uint8_t> heic = test::HeifEncPicture(photo, false);
  const std::string text(heic.begin(), heic.end());
  // The size property of the picture: "ispe", version and flags, width, height.
  const size_t size = text.find("ispe");
  ASSERT_NE(size, std::string::npos);
  for (size_t field : {size + 8, size + 12}) {
    heic[field] = 0x00;
    heic[field + 1] = 0x00;
    heic[field + 2] = 0x3F;
    heic[field + 3] = 0xFF;
  }
  ExpectFailure(ThumbnailOf(heic));
}

TEST(HeifThumbnail, AStreamLargerThanTheSizeTheFileDeclaresIsRefused) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "canon_ixus_exif_thumb.jpg");
  std::vector<uint8_t> heic = test::HeifEncPicture(photo, false);
  const std::string text(heic.begin(), heic.end());
  // The declared size 64 x 48, its coded stream still the photo's: the bound on the declared
  // size would not hold for what is decoded.
  const size_t size = text.find("ispe");
  ASSERT_NE(size, std::string::npos);
  for (auto [field, value] : {std::pair{size + 8, 64}, std::pair{size + 12, 48}}) {
    heic[field] = 0x00;
    heic[field + 1] = 0x00;
    heic[field + 2] = 0x00;
    heic[field + 3] = static_cast<uint8_t>(value);
  }
  ExpectFailure(ThumbnailOf(heic));
}

TEST(HeifThumbnail, AStopRequestEndsTheDecoding) {
  KOVA_HEIF_ENC_OR_SKIP();
  KOVA_SAMPLE_OR_SKIP(photo, "canon_ixus_exif_thumb.jpg");
  const std::vector<uint8_t> heic = test::HeifEncPicture(photo, true);
  TXDecodeStopScope stop([] { return true; });
  ExpectFailure(ThumbnailOf(heic));
}

}  // namespace
}  // namespace kova
