// The generated contents are real files of their kind: libjpeg decodes the photos and their
// EXIF thumbnails, the RIFF and QuickTime structures add up, the TIFF's strips lie inside it.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include "byte_order.h"
#include "card_builder.h"
#include "card_test_support.h"
#include "jpeg_library.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

struct Decoded {
  bool ok = false;
  int width = 0;
  int height = 0;
};

struct Trap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

Decoded DecodeJpeg(const uint8_t* data, size_t size) {
  jpeg_decompress_struct info;
  Trap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = [](j_common_ptr i) {
    std::longjmp(reinterpret_cast<Trap*>(i->err)->jump, 1);
  };
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::vector<uint8_t> row(size_t(info.output_width) * info.output_components);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
  }
  jpeg_finish_decompress(&info);
  Decoded out{true, static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
  jpeg_destroy_decompress(&info);
  return out;
}

// The payload of the first segment with this marker code, or empty.
Bytes Segment(const Bytes& jpeg, uint8_t marker) {
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
    const size_t length = GetBE(&jpeg[at + 2], 2);
    if (jpeg[at + 1] == marker) return Bytes(jpeg.begin() + at + 4, jpeg.begin() + at + 2 + length);
    at += 2 + length;
  }
  return {};
}

uint32_t TiffValue(const uint8_t* tiff, bool big, uint32_t ifd, uint16_t tag) {
  auto get = [&](uint32_t at, int width) {
    return static_cast<uint32_t>(big ? GetBE(tiff + at, width) : GetLE(tiff + at, width));
  };
  const uint32_t count = get(ifd, 2);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t e = ifd + 2 + 12 * i;
    if (get(e, 2) == tag)
      return get(e + 2, 2) == 3 && get(e + 4, 4) == 1 ? get(e + 8, 2) : get(e + 8, 4);
  }
  return UINT32_MAX;
}

TEST(PhotoContent, DecodesAtTheRequestedSizeWithACameraThumbnail) {
  Content photo;
  PhotoOptions options;
  options.width = 1600;
  options.height = 1200;
  options.taken = *ParseDosTime("2024-05-18 10:00:00");
  ASSERT_TRUE(MakePhoto(options, &photo).ok());
  EXPECT_EQ(photo.kind, "jpg");
  ASSERT_GT(photo.bytes.size(), 20000u) << "a landscape, not an empty frame";
  EXPECT_EQ(GetBE(photo.bytes.data(), 4), 0xFFD8FFE1u)
      << "EXIF APP1 right after the start of image";
  EXPECT_EQ(GetBE(&photo.bytes[photo.bytes.size() - 2], 2), 0xFFD9u);
  const Decoded main = DecodeJpeg(photo.bytes.data(), photo.bytes.size());
  EXPECT_TRUE(main.ok);
  EXPECT_EQ(main.width, 1600);
  EXPECT_EQ(main.height, 1200);

  const Bytes exif = Segment(photo.bytes, 0xE1);
  ASSERT_GT(exif.size(), 6u);
  ASSERT_EQ(std::string(exif.begin(), exif.begin() + 6), std::string("Exif\0\0", 6));
  const uint8_t* tiff = exif.data() + 6;
  const uint32_t ifd0 = static_cast<uint32_t>(GetLE(tiff + 4, 4));
  const uint32_t ifd1 =
      static_cast<uint32_t>(GetLE(tiff + ifd0 + 2 + 12 * GetLE(tiff + ifd0, 2), 4));
  const uint32_t thumb_at = TiffValue(tiff, false, ifd1, 0x0201);
  const uint32_t thumb_size = TiffValue(tiff, false, ifd1, 0x0202);
  ASSERT_LE(uint64_t{thumb_at} + thumb_size, exif.size() - 6);
  const Decoded thumb = DecodeJpeg(tiff + thumb_at, thumb_size);
  EXPECT_TRUE(thumb.ok);
  EXPECT_EQ(thumb.width, 160);
  EXPECT_EQ(thumb.height, 120);
  const uint32_t exif_ifd = TiffValue(tiff, false, ifd0, 0x8769);
  EXPECT_EQ(TiffValue(tiff, false, exif_ifd, 0xA002), 1600u);
}

TEST(PhotoContent, PlainJfifPhotoAndRefusedSizes) {
  Content photo;
  PhotoOptions options;
  options.width = 640;
  options.height = 480;
  options.exif_thumbnail = false;
  ASSERT_TRUE(MakePhoto(options, &photo).ok());
  EXPECT_EQ(GetBE(photo.bytes.data(), 4), 0xFFD8FFE0u);
  EXPECT_TRUE(Segment(photo.bytes, 0xE1).empty());
  options.width = 0;
  const Status refused = MakePhoto(options, &photo);
  EXPECT_NE(refused.message().find("outside"), std::string::npos) << refused.message();
}

TEST(VideoContent, AviIsAnMjpegRiffWhoseSizesAddUp) {
  Content avi;
  VideoOptions options;
  options.frames = 5;
  ASSERT_TRUE(MakeAviVideo(options, &avi).ok());
  const Bytes& b = avi.bytes;
  ASSERT_GT(b.size(), 64u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(GetLE(&b[4], 4) + 8, b.size());
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "AVI ");
  // Walk the top-level chunks: hdrl, movi, idx1, ending exactly at the end.
  std::vector<std::string> chunks;
  int frames = 0;
  for (size_t at = 12; at < b.size();) {
    const std::string id(b.begin() + at, b.begin() + at + 4);
    const size_t size = GetLE(&b[at + 4], 4);
    const std::string type =
        id == "LIST" ? std::string(b.begin() + at + 8, b.begin() + at + 12) : id;
    chunks.push_back(type);
    if (type == "movi") {
      for (size_t f = at + 12; f < at + 8 + size;
           f += 8 + ((GetLE(&b[f + 4], 4) + 1) & ~size_t{1})) {
        EXPECT_EQ(std::string(b.begin() + f, b.begin() + f + 4), "00dc");
        EXPECT_TRUE(DecodeJpeg(&b[f + 8], GetLE(&b[f + 4], 4)).ok);
        ++frames;
      }
    }
    at += 8 + ((size + 1) & ~size_t{1});
    ASSERT_LE(at, b.size());
  }
  EXPECT_EQ(chunks, (std::vector<std::string>{"hdrl", "movi", "idx1"}));
  EXPECT_EQ(frames, 5);
}

std::vector<std::pair<std::string, uint64_t>> TopLevelBoxes(const Bytes& b) {
  std::vector<std::pair<std::string, uint64_t>> boxes;
  for (uint64_t at = 0; at + 8 <= b.size();) {
    uint64_t size = GetBE(&b[at], 4);
    if (size == 1) size = GetBE(&b[at + 8], 8);
    boxes.emplace_back(std::string(b.begin() + at, b.begin() + at + 8).substr(4), size);
    if (size < 8) break;
    at += size;
  }
  return boxes;
}

TEST(VideoContent, QuickTimeBoxesTileTheFile) {
  Content mov;
  MovieOptions options;
  options.frames = 4;
  ASSERT_TRUE(MakeQuickTimeMovie(options, &mov).ok());
  EXPECT_EQ(mov.kind, "mov");
  EXPECT_EQ(GetBE(mov.bytes.data(), 8), 0x0000001866747970ull) << "a 24-byte ftyp box first";
  const auto boxes = TopLevelBoxes(mov.bytes);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].first, "mdat");
  EXPECT_EQ(boxes[2].first, "moov");
  EXPECT_EQ(boxes[0].second + boxes[1].second + boxes[2].second, mov.bytes.size());
  // The chunk offset in moov points at the first frame inside mdat.
  const std::string text(mov.bytes.begin(), mov.bytes.end());
  const size_t co64 = text.find("co64");
  ASSERT_NE(co64, std::string::npos);
  const uint64_t first_frame = GetBE(&mov.bytes[co64 + 12], 8);
  EXPECT_EQ(first_frame, boxes[0].second + 8);
  EXPECT_EQ(GetBE(&mov.bytes[first_frame], 2), 0xFFD8u);
}

TEST(VideoContent, Mp4WithMoovFirstAndA64BitMdat) {
  Content mp4;
  MovieOptions options;
  options.frames = 3;
  options.major_brand = "isom";
  options.compatible_brands = {"isom", "mp41", "avc1"};
  options.mdat_64bit = true;
  options.moov_first = true;
  ASSERT_TRUE(MakeQuickTimeMovie(options, &mp4).ok());
  EXPECT_EQ(mp4.kind, "mp4");
  EXPECT_EQ(GetBE(mp4.bytes.data(), 4), 28u) << "three compatible brands make a 28-byte ftyp";
  const auto boxes = TopLevelBoxes(mp4.bytes);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].first, "moov");
  EXPECT_EQ(boxes[2].first, "mdat");
  const uint64_t mdat_at = boxes[0].second + boxes[1].second;
  EXPECT_EQ(GetBE(&mp4.bytes[mdat_at], 4), 1u) << "size 1: the 64-bit size follows the type";
  EXPECT_EQ(mdat_at + boxes[2].second, mp4.bytes.size());
  EXPECT_EQ(GetBE(&mp4.bytes[mdat_at + 16], 2), 0xFFD8u);
  options.compatible_brands = {"toolong"};
  EXPECT_FALSE(MakeQuickTimeMovie(options, &mp4).ok());
}

TEST(TiffContent, StripsCoverThePictureInsideTheFile) {
  for (bool big : {false, true}) {
    Content tiff;
    TiffOptions options;
    options.width = 300;
    options.height = 200;
    options.big_endian = big;
    ASSERT_TRUE(MakeTiffPicture(options, &tiff).ok());
    const Bytes& b = tiff.bytes;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4),
              big ? std::string("MM\0*", 4) : std::string("II*\0", 4));
    const uint32_t ifd = static_cast<uint32_t>(big ? GetBE(&b[4], 4) : GetLE(&b[4], 4));
    EXPECT_EQ(TiffValue(b.data(), big, ifd, 256), 300u);
    EXPECT_EQ(TiffValue(b.data(), big, ifd, 257), 200u);
    EXPECT_EQ(TiffValue(b.data(), big, ifd, 259), 1u);
    const uint32_t rows = TiffValue(b.data(), big, ifd, 278);
    const uint32_t strips = (200 + rows - 1) / rows;
    ASSERT_GT(strips, 1u);
    const uint32_t offsets_at = TiffValue(b.data(), big, ifd, 273);
    const uint64_t last = big ? GetBE(&b[offsets_at + 4 * (strips - 1)], 4)
                              : GetLE(&b[offsets_at + 4 * (strips - 1)], 4);
    EXPECT_LE(last + (200 - rows * (strips - 1)) * 900, b.size());
    EXPECT_GE(b.size(), 300u * 200 * 3);
  }
}

TEST(CopiedContent, RealCameraFileKeepsItsBytesOnTheCard) {
  KOVA_SAMPLE_OR_SKIP(sample, "canon_ixus_exif_thumb.jpg");
  Content copied;
  ASSERT_TRUE(CopyExistingFile(sample, &copied).ok());
  EXPECT_EQ(copied.kind, "jpg");
  EXPECT_EQ(copied.bytes, ReadFileBytes(sample));
  kova::test::TempDir dir;
  CardBuilder card;
  FormatOrFail(card, SmallFat16());
  ASSERT_TRUE(card.WriteFile("IXUS.JPG", copied).ok());
  ASSERT_TRUE(card.Save(dir / "c.img").ok());
  const Manifest manifest = card.MakeManifest();
  const ManifestRecord* r = manifest.Find("IXUS.JPG");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(ExtentBytes(dir / "c.img", *r), copied.bytes);
  EXPECT_EQ(r->crc32, Crc32(copied.bytes));
}

TEST(CopiedContent, MissingOrUnreadableSourceIsAClearError) {
  Content copied;
  const Status missing = CopyExistingFile("/nonexistent/photo.jpg", &copied);
  EXPECT_NE(missing.message().find("/nonexistent/photo.jpg"), std::string::npos)
      << missing.message();
  kova::test::TempDir dir;
  EXPECT_FALSE(CopyExistingFile(dir.Path(), &copied).ok()) << "a folder is not a file";
}

}  // namespace
}  // namespace kova::mkcard::test
