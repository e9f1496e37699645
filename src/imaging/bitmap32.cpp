#include "imaging/bitmap32.h"

#include <algorithm>

#include "framework/stream.h"
#include "imaging/dib_codec.h"

namespace kova {

namespace {

uint32_t Div255(uint32_t value) {
  return (value + 127) / 255;
}

// Straight-alpha "source over destination".
TXColor Over(TXColor source, TXColor destination) {
  uint32_t sa = AlphaOf(source);
  if (sa == 255) return source;
  if (sa == 0) return destination;
  uint32_t dWeight = Div255(AlphaOf(destination) * (255 - sa));
  uint32_t outA = sa + dWeight;
  auto channel = [&](int shift) {
    uint32_t s = (source >> shift) & 0xFF;
    uint32_t d = (destination >> shift) & 0xFF;
    return ((s * sa + d * dWeight + outA / 2) / outA) << shift;
  };
  return (outA << 24) | channel(16) | channel(8) | channel(0);
}

// For each position of a clipped destination span, the source span [first, last) it covers.
struct SourceSpans {
  std::vector<int32_t> first;
  std::vector<int32_t> last;
  bool single = true;  // every span is one pixel wide

  SourceSpans(int32_t from, int32_t to, int32_t origin, int32_t destLength, int32_t sourceLength) {
    for (int32_t d = from; d < to; ++d) {
      int64_t local = d - origin;
      auto a = static_cast<int32_t>(local * sourceLength / destLength);
      auto b = static_cast<int32_t>((local + 1) * sourceLength / destLength);
      b = std::max(b, a + 1);
      first.push_back(a);
      last.push_back(b);
      single = single && b == a + 1;
    }
  }
};

// The average of a block of pixels; with premultiply the colours are weighted by their alpha so
// that transparent pixels do not tint the result.
TXColor Average(const TXBitmap32& source, int32_t x0, int32_t x1, int32_t y0, int32_t y1,
                bool premultiply) {
  uint64_t sum[4] = {0, 0, 0, 0};
  for (int32_t y = y0; y < y1; ++y) {
    const TXColor* row = source.Scanline(y);
    for (int32_t x = x0; x < x1; ++x) {
      TXColor c = row[x];
      uint32_t weight = premultiply ? AlphaOf(c) : 1;
      sum[0] += BlueOf(c) * weight;
      sum[1] += GreenOf(c) * weight;
      sum[2] += RedOf(c) * weight;
      sum[3] += AlphaOf(c);
    }
  }
  uint64_t count = static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0);
  uint64_t divisor = premultiply ? sum[3] : count;
  if (divisor == 0) return 0;
  auto mean = [&](uint64_t total) {
    return static_cast<uint32_t>((total + divisor / 2) / divisor);
  };
  uint32_t alpha = static_cast<uint32_t>((sum[3] + count / 2) / count);
  return (alpha << 24) | (mean(sum[2]) << 16) | (mean(sum[1]) << 8) | mean(sum[0]);
}

}  // namespace

void TXCanvas::Lock() {
  bitmap_.lock_.lock();
}
void TXCanvas::Unlock() {
  bitmap_.lock_.unlock();
}

void TXCanvas::FillRect(const TXRect& rect, TXColor color) {
  TXCanvasLock hold(*this);
  int32_t left = std::max(rect.Left, 0);
  int32_t right = std::min(rect.Right, bitmap_.Width());
  for (int32_t y = std::max(rect.Top, 0); y < std::min(rect.Bottom, bitmap_.Height()); ++y) {
    if (left < right) std::fill(bitmap_.Scanline(y) + left, bitmap_.Scanline(y) + right, color);
  }
}

void TXCanvas::FrameRect(const TXRect& rect, TXColor topLeft, TXColor bottomRight) {
  if (rect.IsEmpty()) return;
  TXCanvasLock hold(*this);
  FillRect({rect.Left, rect.Top, rect.Right, rect.Top + 1}, topLeft);
  FillRect({rect.Left, rect.Top, rect.Left + 1, rect.Bottom}, topLeft);
  FillRect({rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom}, bottomRight);
  FillRect({rect.Right - 1, rect.Top, rect.Right, rect.Bottom}, bottomRight);
}

void TXCanvas::Draw(int32_t x, int32_t y, const TXGraphic& graphic) {
  StretchDraw(TXRect::FromSize(x, y, graphic.Width(), graphic.Height()), graphic);
}

void TXCanvas::StretchDraw(const TXRect& rect, const TXGraphic& graphic) {
  if (rect.IsEmpty() || graphic.IsEmpty()) return;
  TXCanvasLock hold(*this);
  graphic.Draw(*this, rect);
}

void TXCanvas::StretchPixels(const TXRect& rect, const TXBitmap32& source, bool blend) {
  if (rect.IsEmpty() || source.IsEmpty()) return;
  std::scoped_lock hold(bitmap_.lock_, source.lock_);
  const int32_t left = std::max(rect.Left, 0);
  const int32_t right = std::min(rect.Right, bitmap_.Width());
  const int32_t top = std::max(rect.Top, 0);
  const int32_t bottom = std::min(rect.Bottom, bitmap_.Height());
  if (left >= right || top >= bottom) return;
  SourceSpans columns(left, right, rect.Left, rect.Width(), source.Width());
  SourceSpans rows(top, bottom, rect.Top, rect.Height(), source.Height());
  const bool nearest = columns.single && rows.single;
  for (int32_t y = top; y < bottom; ++y) {
    size_t row = static_cast<size_t>(y - top);
    TXColor* target = bitmap_.Scanline(y) + left;
    const TXColor* sourceRow = source.Scanline(rows.first[row]);
    for (size_t col = 0; col < columns.first.size(); ++col) {
      TXColor pixel = nearest ? sourceRow[columns.first[col]]
                              : Average(source, columns.first[col], columns.last[col],
                                        rows.first[row], rows.last[row], blend);
      target[col] = blend ? Over(pixel, target[col]) : pixel;
    }
  }
}

void TXBitmap32::SetSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (int64_t{width} * height > MaxPixels) {
    throw EXInvalidGraphic("a picture of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels is too large");
  }
  std::lock_guard hold(lock_);
  if (width == width_ && height == height_) return;
  pixels_.assign(static_cast<size_t>(width) * height, 0);
  width_ = width;
  height_ = height;
}

void TXBitmap32::Assign(const TXBitmap32& source) {
  if (&source == this) return;
  std::scoped_lock hold(lock_, source.lock_);
  pixels_ = source.pixels_;
  width_ = source.width_;
  height_ = source.height_;
  alphaFormat_ = source.alphaFormat_;
}

void TXBitmap32::Swap(TXBitmap32& other) {
  if (&other == this) return;
  std::scoped_lock hold(lock_, other.lock_);
  pixels_.swap(other.pixels_);
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(alphaFormat_, other.alphaFormat_);
}

void TXBitmap32::LoadFromStream(TXStream& stream) {
  std::vector<uint8_t> bytes = stream.ReadRemaining();
  TXBitmap32 decoded;
  DecodeBmp(bytes, decoded);
  Swap(decoded);
}

void TXBitmap32::SaveToStream(TXStream& stream) const {
  std::lock_guard hold(lock_);
  std::vector<uint8_t> bytes = EncodeBmp(*this);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TXBitmap32::Draw(TXCanvas& canvas, const TXRect& rect) const {
  canvas.StretchPixels(rect, *this, HasTransparency());
}

}  // namespace kova
