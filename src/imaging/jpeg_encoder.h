#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap32.h"

// JPEG encoding with libjpeg from 32-bit bitmaps, for pictures the system keeps in memory in
// great numbers (the thumbnails of found files). Errors of the library throw EXInvalidGraphic.
namespace kova {

// Encodes the bitmap's colours (its alpha byte is dropped) as a baseline JPEG of the quality
// (1 to 100) without chroma subsampling, so that small pictures keep their colour edges.
std::vector<uint8_t> EncodeJpeg(const TXBitmap32& bitmap, int quality);

}  // namespace kova
