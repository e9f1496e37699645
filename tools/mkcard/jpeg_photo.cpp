#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "content.h"
#include "jpeg_library.h"
#include "landscape.h"
#include "tiff_builder.h"

namespace kova::mkcard {

namespace {

constexpr int kThumbnailWidth = 160;
constexpr size_t kMaxSegmentPayload = 65533;

struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void TrapError(j_common_ptr info) {
  auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
  (*info->err->format_message)(info, trap->message);
  std::longjmp(trap->jump, 1);
}

std::string ExifTimeText(DosTime time) {
  std::string text = FormatDosTime(time);  // "2024-05-18 10:00:00"
  text[4] = text[7] = ':';
  return text;
}

// IFD0 (make, model, resolution, date), the EXIF sub-IFD (version, dates, pixel size) and
// IFD1 describing the thumbnail JPEG that follows, as a camera writes them.
Bytes ExifSegment(const PhotoOptions& options, const Bytes& thumbnail) {
  TiffBuilder tiff(false);
  const int ifd0 = tiff.AddIfd();
  const int exif = tiff.AddIfd();
  const int ifd1 = tiff.AddIfd();
  const int thumb = tiff.AddBlob(thumbnail);
  const std::string when =
      options.taken.date != 0 ? ExifTimeText(options.taken) : "2024:05:18 10:00:00";
  tiff.AddAscii(ifd0, 0x010F, "Velmora");
  tiff.AddAscii(ifd0, 0x0110, "Kova Fixture Camera");
  tiff.AddShorts(ifd0, 0x0112, {1});
  tiff.AddRational(ifd0, 0x011A, 72, 1);
  tiff.AddRational(ifd0, 0x011B, 72, 1);
  tiff.AddShorts(ifd0, 0x0128, {2});
  tiff.AddAscii(ifd0, 0x0132, when);
  tiff.AddIfdPointer(ifd0, 0x8769, exif);
  tiff.AddUndefined(exif, 0x9000, "0230");
  tiff.AddAscii(exif, 0x9003, when);
  tiff.AddAscii(exif, 0x9004, when);
  tiff.AddLongs(exif, 0xA002, {static_cast<uint32_t>(options.width)});
  tiff.AddLongs(exif, 0xA003, {static_cast<uint32_t>(options.height)});
  tiff.AddShorts(ifd1, 0x0103, {6});
  tiff.AddRational(ifd1, 0x011A, 72, 1);
  tiff.AddRational(ifd1, 0x011B, 72, 1);
  tiff.AddShorts(ifd1, 0x0128, {2});
  tiff.AddBlobOffsets(ifd1, 0x0201, thumb, {0});
  tiff.AddLongs(ifd1, 0x0202, {static_cast<uint32_t>(thumbnail.size())});
  tiff.Chain(ifd0, ifd1);
  Bytes segment;
  AppendText(segment, std::string_view("Exif\0\0", 6));
  AppendBytes(segment, tiff.Build());
  return segment;
}

// Fine detail over the painting: a texture that varies from pixel to pixel in brightness and a
// little in colour, from a cheap hash of the position and the seed.
void AddGrain(RgbPicture& picture, uint64_t seed, int grain) {
  if (grain <= 0) return;
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < picture.pixels.size(); i += 3) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const int luma = static_cast<int>(state % (2 * grain + 1)) - grain;
    const int tint = static_cast<int>((state >> 32) % 5) - 2;
    for (int c = 0; c < 3; ++c) {
      const int value = picture.pixels[i + c] + luma + (c == 1 ? 0 : tint);
      picture.pixels[i + c] = static_cast<uint8_t>(std::clamp(value, 0, 255));
    }
  }
}

}  // namespace

Status EncodeLandscapeJpeg(int width, int height, uint64_t seed, double moment, int quality,
                           bool jfif, const Bytes& app1, Bytes* jpeg, int grain) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    return Status::Failure("picture size " + std::to_string(width) + "x" + std::to_string(height) +
                           " is outside 1x1 to 16384x16384");
  }
  if (quality < 1 || quality > 100) return Status::Failure("JPEG quality must be 1 to 100");
  if (app1.size() > kMaxSegmentPayload)
    return Status::Failure("the EXIF segment is larger than 64 KiB");
  RgbPicture picture = PaintLandscape(width, height, seed, moment);
  AddGrain(picture, seed, grain);
  jpeg_compress_struct info;
  ErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = TrapError;
  unsigned char* buffer = nullptr;
  unsigned long buffer_size = 0;
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return Status::Failure(std::string("JPEG encoding failed: ") + trap.message);
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &buffer_size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.write_JFIF_header = jfif ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  if (!app1.empty())
    jpeg_write_marker(&info, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&picture.pixels[size_t(info.next_scanline) * width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg->assign(buffer, buffer + buffer_size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return {};
}

Status MakePhoto(const PhotoOptions& options, Content* content) {
  Bytes app1;
  if (options.exif_thumbnail) {
    const int thumb_height =
        std::max(1, kThumbnailWidth * options.height / std::max(1, options.width));
    Bytes thumbnail;
    if (Status made = EncodeLandscapeJpeg(kThumbnailWidth, thumb_height, options.seed, 0.0, 75,
                                          false, {}, &thumbnail);
        !made) {
      return made;
    }
    app1 = ExifSegment(options, thumbnail);
  }
  Content out{{}, "jpg", options.width, options.height};
  if (Status made =
          EncodeLandscapeJpeg(options.width, options.height, options.seed, 0.0, options.quality,
                              !options.exif_thumbnail, app1, &out.bytes, options.grain);
      !made) {
    return made;
  }
  *content = std::move(out);
  return {};
}

}  // namespace kova::mkcard
