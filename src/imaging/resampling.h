#pragma once

#include "imaging/bitmap32.h"
#include "imaging/filter_kernels.h"
#include "imaging/png_image.h"

// Two-pass separable scaling with a filter kernel: rows first into an intermediate map, then
// columns. Pictures or targets of 3 pixels or less in either direction are stretched plainly.
namespace kova {

// Scales a 32-bit bitmap to the size; the fourth byte of each pixel is taken unfiltered from the
// last tap. The target keeps the source's alpha format.
void ResampleBitmap(const TXBitmap32& source, TXBitmap32& target, TXSize size,
                    const TXFilterKernel& kernel);

// Scales a PNG into a new 8-bit RGBA PNG of the size, filtering colour and alpha alike.
void ResamplePng(const TXPngImage& source, TXPngImage& target, TXSize size,
                 const TXFilterKernel& kernel);

}  // namespace kova
