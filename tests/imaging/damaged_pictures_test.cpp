#include <gtest/gtest.h>

#include <random>

#include "imaging/image_drawing.h"
#include "imaging/jpeg_thumbnail.h"
#include "imaging/png_image.h"
#include "picture_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

// Cards hand us damaged files all the time: a picture whose bytes are cut or scrambled must be
// refused or drawn, never crash, hang or leave a half-loaded object behind.
void LoadAndDraw(const std::string& dataClass, const std::vector<uint8_t>& bytes) {
  TXMemoryStream stream(bytes);
  TXImageObject image;
  bool loaded = image.LoadFromStream(dataClass, stream);
  EXPECT_EQ(loaded, !image.IsEmpty());
  TXBitmap32 target(50, 40);
  StretchImageObject(target.Canvas(), {0, 0, 50, 40}, &image, &DefaultLanczosKernel());
  FitImageObject(target.Canvas(), {0, 0, 50, 40}, &image, nullptr);
  if (dataClass == "TJPEGImage") {
    TXImageObject thumbnail;
    TXSize size;
    stream.SetPosition(0);
    bool made = DecodeJpegThumbnail(stream, kThumbnailBox, size, thumbnail);
    EXPECT_EQ(made, !thumbnail.IsEmpty());
  }
}

void Mutate(const std::string& dataClass, const std::vector<uint8_t>& original) {
  std::mt19937 random(1234);
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> bytes = original;
    if (round % 3 == 0) {
      bytes.resize(random() % bytes.size());
    } else {
      for (int flips = 0; flips < 1 + round % 7; ++flips) {
        bytes[random() % std::min<size_t>(bytes.size(), 700)] = static_cast<uint8_t>(random());
      }
    }
    LoadAndDraw(dataClass, bytes);
  }
}

TEST(DamagedPictureTest, ScrambledOrCutPicturesNeverCrash) {
  TXPngImage png;
  test::FillGradient(png.Reset(30, 20, true), 30, 20, 200);
  TXMemoryStream pngBytes;
  png.SaveToStream(pngBytes);
  Mutate("TPngImage", pngBytes.Bytes());

  TXBitmap32 bitmap;
  test::FillGradient(bitmap, 30, 20);
  TXMemoryStream bmpBytes;
  bitmap.SaveToStream(bmpBytes);
  Mutate("TBitmap", bmpBytes.Bytes());

  KOVA_SAMPLE_OR_SKIP(path, "sony_cybershot_exif_thumb.jpg");
  Mutate("TJPEGImage", test::ReadFileBytes(path));
}

}  // namespace
}  // namespace kova
