#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "imaging/bitmap32.h"

// JPEG decoding with libjpeg straight into 32-bit bitmaps. Errors of the library (damaged data,
// data that ends before the picture is complete, unsupported variants) throw EXInvalidGraphic;
// the library never ends the process and never jumps across C++ frames.
namespace kova {

// libjpeg's output scales: the picture's size divided by 1, 2, 4 or 8 (rounded up).
enum class TXJpegScale : uint8_t { jsFullSize = 1, jsHalf = 2, jsQuarter = 4, jsEighth = 8 };

struct TXJpegInfo {
  int32_t Width = 0;  // of the whole picture
  int32_t Height = 0;
  int32_t Components = 0;
  bool Progressive = false;
};

// The picture's size and kind, from its header.
TXJpegInfo ReadJpegInfo(std::span<const uint8_t> bytes);

// Decodes the JPEG at the start of the bytes at the scale that `chooseScale` picks once the
// header is known. The bitmap gets the scaled size, opaque pixels and an ignored alpha channel;
// it holds its canvas lock while it is written. Answers the picture's header.
TXJpegInfo DecodeJpeg(std::span<const uint8_t> bytes,
                      const std::function<TXJpegScale(const TXJpegInfo&)>& chooseScale,
                      TXBitmap32& bitmap);
TXJpegInfo DecodeJpeg(std::span<const uint8_t> bytes, TXJpegScale scale, TXBitmap32& bitmap);

// Size of a picture of width x height decoded at the scale.
TXSize ScaledJpegSize(int32_t width, int32_t height, TXJpegScale scale);

}  // namespace kova
