#pragma once

#include <compare>
#include <cstdint>

// Pixel sizes and rectangles of the picture layer.
namespace kova {

// A width and a height in pixels; 0 x 0 means that no size is known. Ordered by width, then
// height.
struct TXSize {
  int32_t Width = 0;
  int32_t Height = 0;

  bool IsEmpty() const { return Width == 0 && Height == 0; }
  friend auto operator<=>(const TXSize&, const TXSize&) = default;
};

// A rectangle; Right and Bottom lie just outside it.
struct TXRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  static TXRect FromSize(int32_t left, int32_t top, int32_t width, int32_t height) {
    return {left, top, left + width, top + height};
  }
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // The rectangle grown by dx and dy on each side (shrunk for negative values).
  TXRect Inflated(int32_t dx, int32_t dy) const {
    return {Left - dx, Top - dy, Right + dx, Bottom + dy};
  }
  friend bool operator==(const TXRect&, const TXRect&) = default;
};

// numerator / denominator rounded to the nearest integer, ties to even (both positive).
int32_t RoundedQuotient(int64_t numerator, int64_t denominator);

// The size of a picture of sw x sh shrunk to fit into aw x ah with its aspect ratio kept; a
// picture that fits already (or has no size) is never enlarged. Rounds half to even.
TXSize FitSize(int32_t sw, int32_t sh, int32_t aw, int32_t ah);

// A rectangle of the given size centred in the area (offsets truncated toward zero).
TXRect CenteredRect(const TXRect& area, TXSize size);

}  // namespace kova
