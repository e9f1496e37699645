#include "imaging/png_image.h"

#include <png.h>

#include <cstring>
#include <string>

#include "framework/stream.h"

namespace kova {

namespace {

// The simplified libpng interface reports errors through its image record instead of jumping.
class PngRecord {
 public:
  PngRecord() {
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
  }
  ~PngRecord() { png_image_free(&image); }
  PngRecord(const PngRecord&) = delete;
  PngRecord& operator=(const PngRecord&) = delete;

  [[noreturn]] void Fail(const std::string& what) const {
    throw EXInvalidGraphic(what + (image.message[0] ? std::string(": ") + image.message : ""));
  }

  png_image image;
};

}  // namespace

TXBitmap32& TXPngImage::Reset(int32_t width, int32_t height, bool hasAlpha) {
  pixels_.SetSize(width, height);
  hasAlpha_ = hasAlpha;
  pixels_.SetAlphaFormat(hasAlpha ? TXAlphaFormat::afDefined : TXAlphaFormat::afIgnored);
  return pixels_;
}

void TXPngImage::LoadFromStream(TXStream& stream) {
  std::vector<uint8_t> bytes = stream.ReadRemaining();
  PngRecord png;
  if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size())) {
    png.Fail("not a PNG picture");
  }
  bool alpha = (png.image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  if (int64_t{png.image.width} * png.image.height > TXBitmap32::MaxPixels) {
    png.Fail("the PNG picture is too large");
  }
  png.image.format = PNG_FORMAT_BGRA;
  TXBitmap32 decoded;
  decoded.SetSize(static_cast<int32_t>(png.image.width), static_cast<int32_t>(png.image.height));
  if (!png_image_finish_read(&png.image, nullptr, decoded.Pixels().data(),
                             static_cast<png_int_32>(png.image.width * 4), nullptr)) {
    png.Fail("the PNG picture is damaged");
  }
  decoded.SetAlphaFormat(alpha ? TXAlphaFormat::afDefined : TXAlphaFormat::afIgnored);
  pixels_.Swap(decoded);
  hasAlpha_ = alpha;
}

void TXPngImage::SaveToStream(TXStream& stream) const {
  std::vector<uint8_t> rgb;
  const void* buffer = pixels_.Pixels().data();
  PngRecord png;
  png.image.width = static_cast<png_uint_32>(Width());
  png.image.height = static_cast<png_uint_32>(Height());
  png.image.format = hasAlpha_ ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  if (!hasAlpha_) {
    rgb.reserve(pixels_.Pixels().size() * 3);
    for (TXColor c : pixels_.Pixels())
      rgb.insert(rgb.end(), {BlueOf(c), GreenOf(c), RedOf(c)});
    buffer = rgb.data();
  }
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png.image, nullptr, &size, 0, buffer, 0, nullptr)) {
    png.Fail("the PNG picture could not be written");
  }
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&png.image, out.data(), &size, 0, buffer, 0, nullptr)) {
    png.Fail("the PNG picture could not be written");
  }
  stream.WriteBuffer(out.data(), static_cast<int64_t>(size));
}

void TXPngImage::Draw(TXCanvas& canvas, const TXRect& rect) const {
  canvas.StretchPixels(rect, pixels_, hasAlpha_);
}

}  // namespace kova
