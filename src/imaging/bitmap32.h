#pragma once

#include <bit>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "imaging/graphic.h"

namespace kova {

static_assert(std::endian::native == std::endian::little,
              "pixels are kept as 32-bit values whose bytes are blue, green, red, alpha");

// A colour as 0xAARRGGBB; in memory its bytes are blue, green, red, alpha (the layout of 32-bit
// device-independent bitmaps and of QImage::Format_ARGB32).
using TXColor = uint32_t;

constexpr TXColor MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return (TXColor{a} << 24) | (TXColor{r} << 16) | (TXColor{g} << 8) | TXColor{b};
}
constexpr uint8_t RedOf(TXColor c) {
  return static_cast<uint8_t>(c >> 16);
}
constexpr uint8_t GreenOf(TXColor c) {
  return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t BlueOf(TXColor c) {
  return static_cast<uint8_t>(c);
}
constexpr uint8_t AlphaOf(TXColor c) {
  return static_cast<uint8_t>(c >> 24);
}

// Whether the fourth byte of a bitmap's pixels is an alpha channel that drawing honours, or just a
// byte that drawing copies along.
enum class TXAlphaFormat : uint8_t { afIgnored, afDefined };

class TXBitmap32;

// The drawing surface of one bitmap. Every operation holds the canvas lock while it runs; callers
// that draw in several steps hold it across them with TXCanvasLock. Drawing is clipped to the
// bitmap.
class TXCanvas {
 public:
  explicit TXCanvas(TXBitmap32& bitmap) : bitmap_(bitmap) {}
  TXCanvas(const TXCanvas&) = delete;
  TXCanvas& operator=(const TXCanvas&) = delete;

  TXBitmap32& Bitmap() const { return bitmap_; }
  TXColor BrushColor() const { return brushColor_; }
  void SetBrushColor(TXColor color) { brushColor_ = color; }

  void Lock();
  void Unlock();

  void FillRect(const TXRect& rect) { FillRect(rect, brushColor_); }
  void FillRect(const TXRect& rect, TXColor color);
  // One-pixel frame on the rectangle's edge: left and top in one colour, right and bottom in the
  // other.
  void FrameRect(const TXRect& rect, TXColor topLeft, TXColor bottomRight);
  // Draws the graphic at its own size with its top left corner at (x, y).
  void Draw(int32_t x, int32_t y, const TXGraphic& graphic);
  // Draws the graphic stretched into the rectangle.
  void StretchDraw(const TXRect& rect, const TXGraphic& graphic);
  // Copies the pixels of a bitmap stretched into the rectangle: nearest pixel when enlarging,
  // the average of the covered pixels when reducing. With blend the source's alpha composes it
  // over what is there; otherwise the pixels are copied with their fourth byte.
  void StretchPixels(const TXRect& rect, const TXBitmap32& source, bool blend);

 private:
  TXBitmap32& bitmap_;
  TXColor brushColor_ = MakeColor(255, 255, 255);
};

// Holds a canvas lock for its lifetime.
class TXCanvasLock {
 public:
  explicit TXCanvasLock(TXCanvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
  ~TXCanvasLock() { canvas_.Unlock(); }
  TXCanvasLock(const TXCanvasLock&) = delete;
  TXCanvasLock& operator=(const TXCanvasLock&) = delete;

 private:
  TXCanvas& canvas_;
};

// A 32-bit top-down bitmap, registered as the picture class "TBitmap". It reads BMP files of 1,
// 4, 8, 16, 24 and 32 bits per pixel and writes 32-bit BMP files.
class TXBitmap32 : public TXGraphic {
 public:
  TXBitmap32() = default;
  TXBitmap32(int32_t width, int32_t height) { SetSize(width, height); }

  std::string GraphicClassName() const override { return "TBitmap"; }
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  bool HasTransparency() const override { return alphaFormat_ == TXAlphaFormat::afDefined; }

  // Changes the size; a new size starts with every pixel 0 (transparent black). Negative values
  // count as 0; sizes beyond MaxPixels throw EXInvalidGraphic.
  void SetSize(int32_t width, int32_t height);
  TXAlphaFormat AlphaFormat() const { return alphaFormat_; }
  void SetAlphaFormat(TXAlphaFormat format) { alphaFormat_ = format; }

  TXColor* Scanline(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const TXColor* Scanline(int32_t y) const {
    return pixels_.data() + static_cast<size_t>(y) * width_;
  }
  TXColor Pixel(int32_t x, int32_t y) const { return Scanline(y)[x]; }
  void SetPixel(int32_t x, int32_t y, TXColor color) { Scanline(y)[x] = color; }
  std::span<TXColor> Pixels() { return pixels_; }
  std::span<const TXColor> Pixels() const { return pixels_; }

  TXCanvas& Canvas() { return canvas_; }
  // Copies size, pixels and alpha format.
  void Assign(const TXBitmap32& source);
  // Exchanges size, pixels and alpha format with another bitmap.
  void Swap(TXBitmap32& other);

  void LoadFromStream(TXStream& stream) override;
  void SaveToStream(TXStream& stream) const override;
  // Copies its pixels stretched into the rectangle, composing them when its alpha is defined.
  void Draw(TXCanvas& canvas, const TXRect& rect) const override;

  // The largest number of pixels a picture may have (guards against absurd sizes in damaged
  // data): 2^27, 512 MiB of pixels.
  static constexpr int64_t MaxPixels = int64_t{1} << 27;

 private:
  friend class TXCanvas;

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<TXColor> pixels_;
  TXAlphaFormat alphaFormat_ = TXAlphaFormat::afIgnored;
  mutable std::recursive_mutex lock_;
  TXCanvas canvas_{*this};
};

}  // namespace kova
