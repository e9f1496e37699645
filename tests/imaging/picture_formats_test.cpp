#include <gtest/gtest.h>
#include <zlib.h>

#include "imaging/dib_codec.h"
#include "imaging/icon_image.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/png_image.h"
#include "persistence/zlib_stream.h"
#include "picture_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

constexpr TXColor kRed = MakeColor(255, 0, 0);
constexpr TXColor kGreen = MakeColor(0, 255, 0);
constexpr TXColor kBlue = MakeColor(0, 0, 255);

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}
void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift : {24, 16, 8, 0})
    out.push_back(static_cast<uint8_t>(v >> shift));
}

std::vector<uint8_t> PngBytes(const TXPngImage& png) {
  TXMemoryStream out;
  png.SaveToStream(out);
  return out.Bytes();
}

// A palette PNG (colour type 3) with a transparency chunk, written chunk by chunk.
std::vector<uint8_t> PalettePng() {
  auto chunk = [](std::vector<uint8_t>& out, const char* type, std::vector<uint8_t> data) {
    PutBE32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBE32(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  };
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  PutBE32(header, 4);
  PutBE32(header, 2);
  header.insert(header.end(), {8, 3, 0, 0, 0});
  chunk(out, "IHDR", header);
  chunk(out, "PLTE", {255, 0, 0, 0, 255, 0});
  chunk(out, "tRNS", {255, 0});  // index 1 fully transparent
  std::vector<uint8_t> rows = {0, 0, 1, 0, 1, 0, 1, 1, 0, 0};
  chunk(out, "IDAT", ZCompress(rows));
  chunk(out, "IEND", {});
  return out;
}

// The bitmap entry of an icon: header (height doubled), colour image, 1-bit mask, bottom-up.
std::vector<uint8_t> IconDib(int32_t size, uint16_t bits, TXColor color, bool leftHalfMasked) {
  std::vector<uint8_t> dib;
  PutU32(dib, 40);
  PutU32(dib, static_cast<uint32_t>(size));
  PutU32(dib, static_cast<uint32_t>(size * 2));
  PutU16(dib, 1);
  PutU16(dib, bits);
  for (int i = 0; i < 6; ++i)
    PutU32(dib, 0);
  if (bits == 8) {
    PutU32(dib, 0);  // palette entry 0: black
    PutU32(dib, color & 0x00FFFFFF);
    for (int i = 2; i < 256; ++i)
      PutU32(dib, 0);
  }
  for (int32_t y = 0; y < size; ++y) {
    for (int32_t x = 0; x < size; ++x) {
      if (bits == 8) {
        dib.push_back(1);
      } else {
        PutU32(dib, (color & 0x00FFFFFF) | (x < size / 2 ? 0x80000000u : 0xFF000000u));
      }
    }
  }
  size_t maskStride = ((size + 31) / 32) * 4;
  for (int32_t y = 0; y < size; ++y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int32_t x = 0; x < size / 2 && leftHalfMasked; ++x)
      row[x / 8] |= 0x80 >> (x % 8);
    dib.insert(dib.end(), row.begin(), row.end());
  }
  return dib;
}

struct IconPicture {
  int32_t size;
  uint16_t bits;
  uint8_t colorCount;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> IconFile(const std::vector<IconPicture>& pictures) {
  std::vector<uint8_t> out;
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, static_cast<uint32_t>(pictures.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(pictures.size());
  for (const IconPicture& p : pictures) {
    out.insert(out.end(),
               {static_cast<uint8_t>(p.size), static_cast<uint8_t>(p.size), p.colorCount, 0});
    PutU16(out, 1);
    PutU16(out, p.bits);
    PutU32(out, static_cast<uint32_t>(p.data.size()));
    PutU32(out, offset);
    offset += static_cast<uint32_t>(p.data.size());
  }
  for (const IconPicture& p : pictures)
    out.insert(out.end(), p.data.begin(), p.data.end());
  return out;
}

std::vector<uint8_t> SampleIcon() {
  TXPngImage small;
  TXBitmap32& pixels = small.Reset(16, 16, true);
  pixels.Canvas().FillRect({0, 0, 16, 16}, kRed);
  return IconFile({{16, 32, 0, PngBytes(small)},
                   {32, 32, 0, IconDib(32, 32, kGreen, false)},
                   {48, 8, 0, IconDib(48, 8, kBlue, true)}});
}

TEST(BitmapFormatTest, ThirtyTwoBitFilesRoundTripWithTheirAlphaFormat) {
  for (TXAlphaFormat format : {TXAlphaFormat::afIgnored, TXAlphaFormat::afDefined}) {
    TXBitmap32 original;
    test::FillGradient(original, 37, 11, 77);
    original.SetAlphaFormat(format);
    TXMemoryStream stream;
    original.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes()[0], 'B');
    stream.SetPosition(0);
    TXBitmap32 back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.Size(), original.Size());
    EXPECT_EQ(back.AlphaFormat(), format);
    EXPECT_TRUE(std::equal(back.Pixels().begin(), back.Pixels().end(), original.Pixels().begin()));
  }
}

TEST(BitmapFormatTest, ReadsPaletteFilesWrittenByAnotherProgram) {
  KOVA_SAMPLE_OR_SKIP(path, "canon_ixus_exif_thumb.jpg");
  if (!test::HasProgram("djpeg")) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
  test::TempDir dir;
  ASSERT_EQ(test::RunCommand("djpeg -grayscale -bmp -outfile " + (dir / "grey.bmp").string() + " " +
                             path.string()),
            0);
  std::vector<uint8_t> file = test::ReadFileBytes(dir / "grey.bmp");
  ASSERT_EQ(file[28], 8) << "an 8-bit palette file";
  TXBitmap32 grey;
  DecodeBmp(file, grey);
  TXBitmap32 colour;
  DecodeJpeg(test::ReadFileBytes(path), TXJpegScale::jsFullSize, colour);
  ASSERT_EQ(grey.Size(), colour.Size());
  for (int32_t y : {0, 100, 479}) {
    for (int32_t x : {0, 320, 639}) {
      TXColor c = colour.Pixel(x, y);
      double luma = 0.299 * RedOf(c) + 0.587 * GreenOf(c) + 0.114 * BlueOf(c);
      EXPECT_NEAR(RedOf(grey.Pixel(x, y)), luma, 3) << x << "," << y << ": rows are not flipped";
    }
  }
}

TEST(BitmapFormatTest, DamagedFilesAreRefusedWithAReason) {
  TXBitmap32 bitmap(8, 8);
  std::vector<uint8_t> good = EncodeBmp(bitmap);
  auto reason = [](std::vector<uint8_t> bytes) {
    try {
      TXBitmap32 out;
      DecodeBmp(bytes, out);
      return std::string("decoded");
    } catch (const EXInvalidGraphic& error) {
      return std::string(error.what());
    }
  };
  EXPECT_EQ(reason({good.begin(), good.end() - 10}), "the bitmap's pixel data is truncated");
  std::vector<uint8_t> rle = good;
  rle[30] = 1;
  EXPECT_NE(reason(rle).find("not supported"), std::string::npos);
  EXPECT_EQ(reason({'G', 'I', 'F', '8'}), "not a BMP file");
  std::vector<uint8_t> huge = good;
  huge[18] = huge[19] = huge[20] = huge[21] = 0x7F;
  EXPECT_NE(reason(huge).find("too large"), std::string::npos);
}

TEST(PngFormatTest, RoundTripsWithAndWithoutAlpha) {
  for (bool alpha : {true, false}) {
    TXPngImage original;
    test::FillGradient(original.Reset(20, 10, alpha), 20, 10, alpha ? 128 : 255);
    std::vector<uint8_t> bytes = PngBytes(original);
    EXPECT_EQ(bytes[25], alpha ? 6 : 2) << "colour type RGBA or RGB";
    TXMemoryStream stream(bytes);
    TXPngImage back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.HasTransparency(), alpha);
    EXPECT_EQ(back.Size(), (TXSize{20, 10}));
    EXPECT_TRUE(std::equal(back.Pixels().Pixels().begin(), back.Pixels().Pixels().end(),
                           original.Pixels().Pixels().begin()));
  }
}

TEST(PngFormatTest, PaletteWithTransparencyBecomesRgba) {
  TXMemoryStream stream(PalettePng());
  TXPngImage png;
  png.LoadFromStream(stream);
  EXPECT_TRUE(png.HasTransparency());
  EXPECT_EQ(png.Pixels().Pixel(0, 0), kRed);
  EXPECT_EQ(AlphaOf(png.Pixels().Pixel(1, 0)), 0);
  EXPECT_EQ(png.Pixels().Pixel(2, 1), kRed);

  std::vector<uint8_t> damaged = PalettePng();
  damaged[damaged.size() - 20] ^= 0xFF;
  TXMemoryStream bad(damaged);
  EXPECT_THROW(png.LoadFromStream(bad), EXInvalidGraphic);
  EXPECT_EQ(png.Size(), (TXSize{4, 2})) << "a failed load keeps the picture";
}

TEST(IconFormatTest, ChoosesEntriesByColoursAndSize) {
  auto entry = [](int32_t size, uint16_t bits, uint8_t colors = 0) {
    TXIconEntry e;
    e.Width = e.Height = size;
    e.BitCount = bits;
    e.ColorCountByte = colors;
    return e;
  };
  std::vector<TXIconEntry> trueColour = {entry(16, 32), entry(32, 32), entry(48, 32)};
  EXPECT_EQ(ChooseIconEntry(trueColour, {32, 32}), 1);
  EXPECT_EQ(ChooseIconEntry(trueColour, {48, 48}), 2);
  EXPECT_EQ(ChooseIconEntry(trueColour, {40, 40}), 1)
      << "a larger one only if not larger than the choice";
  EXPECT_EQ(ChooseIconEntry(trueColour, {0, 0}), 1) << "the standard size";
  EXPECT_EQ(ChooseIconEntry(trueColour, {22, 16}), 0);
  EXPECT_EQ(ChooseIconEntry({entry(32, 32), entry(48, 8)}, {48, 48}), 0)
      << "fewer colours never replace more";
  EXPECT_EQ(ChooseIconEntry({entry(16, 4, 16), entry(32, 32)}, {32, 32}, 256), 0)
      << "more colours than the display shows are never chosen";
  EXPECT_EQ(ChooseIconEntry({}, {32, 32}), -1);
}

TEST(IconFormatTest, DecodesPngAndBitmapEntriesAndDrawsTheBestForTheSize) {
  TXMemoryStream stream(SampleIcon());
  TXIcon icon;
  icon.LoadFromStream(stream);
  ASSERT_EQ(icon.Entries().size(), 3u);
  EXPECT_EQ(icon.Size(), (TXSize{32, 32}));

  TXBitmap32 picture;
  icon.DecodeEntry(2, picture);
  EXPECT_EQ(AlphaOf(picture.Pixel(5, 5)), 0) << "masked";
  EXPECT_EQ(picture.Pixel(40, 5), kBlue);
  icon.DecodeEntry(1, picture);
  EXPECT_EQ(AlphaOf(picture.Pixel(3, 3)), 0x80) << "the entry's own alpha wins over its mask";

  TXBitmap32 target(16, 16);
  target.Canvas().FillRect({0, 0, 16, 16}, MakeColor(255, 255, 255));
  target.Canvas().StretchDraw({0, 0, 16, 16}, icon);
  EXPECT_EQ(target.Pixel(8, 8), kRed);
  target.SetSize(32, 32);
  target.Canvas().FillRect({0, 0, 32, 32}, MakeColor(255, 255, 255));
  target.Canvas().StretchDraw({0, 0, 32, 32}, icon);
  EXPECT_EQ(target.Pixel(20, 20), kGreen);
  EXPECT_EQ(target.Pixel(3, 3), MakeColor(127, 255, 127)) << "half transparent over white";

  TXMemoryStream saved;
  icon.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), SampleIcon());
}

TEST(IconFormatTest, DamagedIconFilesAreRefused) {
  std::vector<uint8_t> good = SampleIcon();
  auto refuses = [](std::vector<uint8_t> bytes) {
    TXMemoryStream stream(bytes);
    TXIcon icon;
    EXPECT_THROW(icon.LoadFromStream(stream), EXInvalidGraphic);
  };
  refuses({good.begin(), good.begin() + 30});
  std::vector<uint8_t> cursor = good;
  cursor[2] = 2;
  refuses(cursor);
  std::vector<uint8_t> outside = good;
  outside[6 + 16 + 12] = 0xFF;
  outside[6 + 16 + 15] = 0x7F;
  refuses(outside);
  refuses({0, 0, 1, 0, 0, 0});
}

}  // namespace
}  // namespace kova
