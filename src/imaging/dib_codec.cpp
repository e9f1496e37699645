#include "imaging/dib_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

namespace kova {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitFields = 3;

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t offset) {
  if (offset + 4 > bytes.size()) throw EXInvalidGraphic("the bitmap ends inside its header");
  return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 |
         uint32_t{bytes[offset + 2]} << 16 | uint32_t{bytes[offset + 3]} << 24;
}

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t offset) {
  if (offset + 2 > bytes.size()) throw EXInvalidGraphic("the bitmap ends inside its header");
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    max = mask >> shift;
  }
  uint32_t Of(uint32_t pixel) const {
    return max == 0 ? 0 : (((pixel & mask) >> shift) * 255 + max / 2) / max;
  }
};

struct DibInfo {
  int32_t width = 0;
  int32_t height = 0;  // of the colour image
  bool bottomUp = true;
  uint16_t bitCount = 0;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
  std::vector<TXColor> palette;
  size_t pixelOffset = 0;  // where the colour image begins within the DIB
};

DibInfo ReadDibInfo(std::span<const uint8_t> dib, bool icon) {
  DibInfo info;
  uint32_t headerSize = ReadU32(dib, 0);
  if (headerSize < 40 || headerSize > dib.size()) {
    throw EXInvalidGraphic("unsupported bitmap header of " + std::to_string(headerSize) + " bytes");
  }
  info.width = static_cast<int32_t>(ReadU32(dib, 4));
  int32_t height = static_cast<int32_t>(ReadU32(dib, 8));
  info.bitCount = ReadU16(dib, 14);
  uint32_t compression = ReadU32(dib, 16);
  uint32_t colorsUsed = ReadU32(dib, 32);
  if (icon) height /= 2;
  info.bottomUp = height > 0;
  info.height = height == INT32_MIN ? 0 : std::abs(height);
  if (info.width <= 0 || info.height <= 0) throw EXInvalidGraphic("the bitmap has no pixels");
  if (int64_t{info.width} * info.height > TXBitmap32::MaxPixels) {
    throw EXInvalidGraphic("the bitmap is too large");
  }

  size_t offset = headerSize;
  if (compression == kBiBitFields && (info.bitCount == 16 || info.bitCount == 32)) {
    size_t maskAt = headerSize >= 52 ? 40 : headerSize;
    for (int i = 0; i < 3; ++i)
      info.masks[i] = ReadU32(dib, maskAt + 4 * i);
    if (headerSize >= 56) info.masks[3] = ReadU32(dib, 52);
    if (headerSize == 40) offset += 12;
  } else if (compression != kBiRgb) {
    throw EXInvalidGraphic("compressed bitmaps (method " + std::to_string(compression) +
                           ") are not supported");
  } else if (info.bitCount == 16) {
    info.masks = {0x7C00, 0x03E0, 0x001F, 0};
  } else if (info.bitCount == 32) {
    info.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  }

  if (info.bitCount <= 8) {
    if (info.bitCount != 1 && info.bitCount != 4 && info.bitCount != 8) {
      throw EXInvalidGraphic("unsupported bitmap depth of " + std::to_string(info.bitCount));
    }
    size_t entries = colorsUsed ? colorsUsed : size_t{1} << info.bitCount;
    if (entries > 256) throw EXInvalidGraphic("the bitmap's palette is too large");
    for (size_t i = 0; i < entries; ++i)
      info.palette.push_back(ReadU32(dib, offset + 4 * i) | 0xFF000000u);
    offset += entries * 4;
  } else if (info.bitCount != 16 && info.bitCount != 24 && info.bitCount != 32) {
    throw EXInvalidGraphic("unsupported bitmap depth of " + std::to_string(info.bitCount));
  }
  info.pixelOffset = offset;
  return info;
}

size_t RowStride(int32_t width, int bitsPerPixel) {
  return ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

TXColor PalettePixel(const DibInfo& info, const uint8_t* row, int32_t x) {
  uint32_t index = 0;
  switch (info.bitCount) {
    case 1:
      index = (row[x / 8] >> (7 - x % 8)) & 1;
      break;
    case 4:
      index = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
      break;
    default:
      index = row[x];
      break;
  }
  return index < info.palette.size() ? info.palette[index] : 0xFF000000u;
}

void ReadColorImage(std::span<const uint8_t> dib, const DibInfo& info, TXBitmap32& bitmap) {
  size_t stride = RowStride(info.width, info.bitCount);
  if (info.pixelOffset > dib.size() || stride * info.height > dib.size() - info.pixelOffset) {
    throw EXInvalidGraphic("the bitmap's pixel data is truncated");
  }
  bitmap.SetSize(info.width, info.height);
  const Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]), alpha(info.masks[3]);
  for (int32_t y = 0; y < info.height; ++y) {
    int32_t sourceRow = info.bottomUp ? info.height - 1 - y : y;
    const uint8_t* row = dib.data() + info.pixelOffset + stride * sourceRow;
    TXColor* target = bitmap.Scanline(y);
    for (int32_t x = 0; x < info.width; ++x) {
      if (info.bitCount <= 8) {
        target[x] = PalettePixel(info, row, x);
      } else if (info.bitCount == 24) {
        const uint8_t* p = row + 3 * x;
        target[x] = MakeColor(p[2], p[1], p[0]);
      } else {
        const uint8_t* p = row + (info.bitCount / 8) * x;
        uint32_t value =
            info.bitCount == 16 ? uint32_t{p[0]} | uint32_t{p[1]} << 8 : ReadU32({p, 4}, 0);
        uint32_t a = info.masks[3] ? alpha.Of(value) : (info.bitCount == 32 ? value >> 24 : 255);
        target[x] =
            MakeColor(static_cast<uint8_t>(red.Of(value)), static_cast<uint8_t>(green.Of(value)),
                      static_cast<uint8_t>(blue.Of(value)), static_cast<uint8_t>(a));
      }
    }
  }
}

// Applies an icon's 1-bit mask (set bits are transparent) as the alpha channel.
void ApplyIconMask(std::span<const uint8_t> dib, const DibInfo& info, TXBitmap32& bitmap) {
  size_t maskStride = RowStride(info.width, 1);
  size_t maskOffset = info.pixelOffset + RowStride(info.width, info.bitCount) * info.height;
  bool hasMask = maskOffset + maskStride * info.height <= dib.size();
  for (int32_t y = 0; y < info.height; ++y) {
    int32_t sourceRow = info.bottomUp ? info.height - 1 - y : y;
    const uint8_t* row = hasMask ? dib.data() + maskOffset + maskStride * sourceRow : nullptr;
    TXColor* target = bitmap.Scanline(y);
    for (int32_t x = 0; x < info.width; ++x) {
      bool transparent = row && ((row[x / 8] >> (7 - x % 8)) & 1);
      target[x] = (target[x] & 0x00FFFFFFu) | (transparent ? 0 : 0xFF000000u);
    }
  }
}

bool AnyAlpha(const TXBitmap32& bitmap) {
  return std::any_of(bitmap.Pixels().begin(), bitmap.Pixels().end(),
                     [](TXColor c) { return AlphaOf(c) != 0; });
}

}  // namespace

void DecodeBmp(std::span<const uint8_t> bytes, TXBitmap32& bitmap) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
    throw EXInvalidGraphic("not a BMP file");
  }
  if (bytes.size() < 14) throw EXInvalidGraphic("the bitmap ends inside its header");
  std::span<const uint8_t> dib = bytes.subspan(14);
  DibInfo info = ReadDibInfo(dib, false);
  uint32_t dataOffset = ReadU32(bytes, 10);
  if (dataOffset >= 14 + info.pixelOffset) info.pixelOffset = dataOffset - 14;
  ReadColorImage(dib, info, bitmap);
  bitmap.SetAlphaFormat(info.masks[3] ? TXAlphaFormat::afDefined : TXAlphaFormat::afIgnored);
}

void DecodeIconDib(std::span<const uint8_t> bytes, TXBitmap32& bitmap) {
  DibInfo info = ReadDibInfo(bytes, true);
  ReadColorImage(bytes, info, bitmap);
  if (info.bitCount != 32 || !AnyAlpha(bitmap)) ApplyIconMask(bytes, info, bitmap);
  bitmap.SetAlphaFormat(TXAlphaFormat::afDefined);
}

std::vector<uint8_t> EncodeBmp(const TXBitmap32& bitmap) {
  const bool withAlpha = bitmap.AlphaFormat() == TXAlphaFormat::afDefined;
  const uint32_t headerSize = withAlpha ? 108 : 40;
  const uint32_t dataOffset = 14 + headerSize;
  const uint32_t dataSize = static_cast<uint32_t>(bitmap.Pixels().size() * 4);
  std::vector<uint8_t> out;
  out.reserve(dataOffset + dataSize);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, dataOffset + dataSize);
  PutU32(out, 0);
  PutU32(out, dataOffset);
  PutU32(out, headerSize);
  PutU32(out, static_cast<uint32_t>(bitmap.Width()));
  PutU32(out, static_cast<uint32_t>(bitmap.Height()));
  PutU16(out, 1);
  PutU16(out, 32);
  PutU32(out, withAlpha ? kBiBitFields : kBiRgb);
  PutU32(out, dataSize);
  PutU32(out, 2835);  // 72 dots per inch
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  if (withAlpha) {
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
      PutU32(out, mask);
    PutU32(out, 0x73524742);         // "sRGB"
    out.resize(out.size() + 48, 0);  // end points and gamma, unused with sRGB
  }
  for (int32_t y = bitmap.Height() - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const uint8_t*>(bitmap.Scanline(y));
    out.insert(out.end(), row, row + static_cast<size_t>(bitmap.Width()) * 4);
  }
  return out;
}

}  // namespace kova
