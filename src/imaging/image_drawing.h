#pragma once

#include "imaging/bitmap32.h"
#include "imaging/filter_kernels.h"
#include "imaging/image_object.h"

// Putting pictures onto canvases. A kernel of nullptr means plain stretching. Missing or empty
// pictures, and pictures that do not decode, draw nothing.
namespace kova {

// Draws the graphic into the target: stretched plainly without a kernel or at the graphic's own
// size; otherwise resampled (a PNG with transparency into a new RGBA PNG, any other graphic
// through a 32-bit bitmap of its own size) and then drawn.
void DrawGraphic(TXCanvas& canvas, const TXRect& target, const TXGraphic* graphic,
                 const TXFilterKernel* kernel);

// Unscaled at (x, y); an icon is drawn into the object's Width x Height.
void DrawImageObject(TXCanvas& canvas, int32_t x, int32_t y, const TXImageObject* image);
// Over the whole rectangle; an icon picks its entry for the rectangle's size.
void StretchImageObject(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                        const TXFilterKernel* kernel);
// Fills the rectangle with the brush, then draws the picture shrunk to fit (never enlarged) and
// centred.
void FitImageObject(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                    const TXFilterKernel* kernel);
// Fills the rectangle with the brush, then scales the picture to cover the rectangle's full width
// (centred vertically) when the rectangle is at least as wide in proportion, else its full
// height (centred horizontally).
void FillImageObject(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                     const TXFilterKernel* kernel);
// How a picture is fitted into a frame: only ever shrunk, or also enlarged to fill it (a zoomed
// thumbnail).
enum class TXFrameFit : uint8_t { ffShrink, ffFill };

// Fills the rectangle with the brush, fits the picture into the rectangle less 2 pixels each way,
// centres it, draws a one-pixel frame just outside it (left and top in one colour, right and
// bottom in the other) and draws the picture.
void FramedThumbnail(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                     const TXFilterKernel* kernel, TXColor topLeft, TXColor bottomRight,
                     TXFrameFit fit = TXFrameFit::ffShrink);

// Sizes the bitmap to the graphic fitted into the box, fills it with its brush and draws the
// graphic into all of it. Nothing for a missing graphic.
void MakeFittedBitmap(TXBitmap32& bitmap, int32_t boxWidth, int32_t boxHeight,
                      const TXFilterKernel* kernel, const TXGraphic* graphic);
// Sizes the bitmap to width x height and, for a present picture, draws it framed into all of it.
void MakeFrameBitmap(TXBitmap32& bitmap, int32_t width, int32_t height,
                     const TXFilterKernel* kernel, TXColor topLeft, TXColor bottomRight,
                     const TXImageObject* image, TXFrameFit fit = TXFrameFit::ffShrink);

}  // namespace kova
