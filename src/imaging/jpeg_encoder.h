#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap32.h"

// JPEG encoding with libjpeg from 32-bit bitmaps, for pictures the system keeps in memory in
// great numbers (the thumbnails of found files). Errors of the library throw EXInvalidGraphic.
namespace kova {

// How finely a JPEG keeps colour: at every pixel (small pictures keep their colour edges), or at
// every second pixel each way (4:2:0, a third fewer bytes).
enum class TXJpegChroma : uint8_t { jcFull, jcHalf };

// Encodes the bitmap's colours (its alpha byte is dropped) as a baseline JPEG of the quality
// (1 to 100).
std::vector<uint8_t> EncodeJpeg(const TXBitmap32& bitmap, int quality,
                                TXJpegChroma chroma = TXJpegChroma::jcFull);

}  // namespace kova
