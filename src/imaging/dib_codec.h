#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/bitmap32.h"

// Device-independent bitmaps: BMP files, and the bitmap entries of icon files. Damaged or
// unsupported data throws EXInvalidGraphic with the reason.
namespace kova {

// A BMP file ("BM" header) of 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed or with bit
// fields. A 32-bit file with an alpha mask gets a defined alpha channel.
void DecodeBmp(std::span<const uint8_t> bytes, TXBitmap32& bitmap);

// The bitmap of an icon entry: a header whose height counts the colour image and the mask, the
// colour image, then the 1-bit transparency mask. The result has a defined alpha channel: the
// 32-bit image's own alpha when it has one, else the mask's.
void DecodeIconDib(std::span<const uint8_t> bytes, TXBitmap32& bitmap);

// A 32-bit BMP file of the bitmap; a defined alpha channel is written with its bit mask.
std::vector<uint8_t> EncodeBmp(const TXBitmap32& bitmap);

}  // namespace kova
