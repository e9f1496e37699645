#include "imaging/image_drawing.h"

#include <algorithm>

#include "imaging/graphic_classes.h"
#include "imaging/image_converters.h"
#include "imaging/png_image.h"
#include "imaging/resampling.h"

namespace kova {

namespace {

bool IsIcon(const TXImageObject& image) {
  return image.DataClass() == "TIcon";
}

// The decoded picture of a present, non-empty object with a class; empty otherwise.
TXPicture DecodedPicture(const TXImageObject* image) {
  TXPicture picture;
  if (image) TXImageObjectToPictureConverter(*image).Fill(picture);
  return picture;
}

void DrawResampled(TXCanvas& canvas, const TXRect& target, const TXGraphic& graphic,
                   const TXFilterKernel& kernel) {
  TXSize size{target.Width(), target.Height()};
  if (auto* png = dynamic_cast<const TXPngImage*>(&graphic); png && png->HasTransparency()) {
    TXPngImage scaled;
    ResamplePng(*png, scaled, size, kernel);
    scaled.Draw(canvas, target);
    return;
  }
  TXBitmap32 work(graphic.Width(), graphic.Height());
  TXCanvasLock holdWork(work.Canvas());
  work.SetAlphaFormat(graphic.HasTransparency() ? TXAlphaFormat::afDefined
                                                : TXAlphaFormat::afIgnored);
  graphic.Draw(work.Canvas(), TXRect::FromSize(0, 0, graphic.Width(), graphic.Height()));
  TXBitmap32 scaled;
  TXCanvasLock holdScaled(scaled.Canvas());
  ResampleBitmap(work, scaled, size, kernel);
  scaled.Draw(canvas, target);
}

// The size of a picture of sw x sh fitted into aw x ah with its aspect ratio kept, enlarged when it
// is smaller.
TXSize FilledSize(int32_t sw, int32_t sh, int32_t aw, int32_t ah) {
  if (sw <= 0 || sh <= 0 || aw <= 0 || ah <= 0) return FitSize(sw, sh, aw, ah);
  // Scaled up beyond the area first, so that FitSize shrinks it to the area's limiting side.
  return FitSize(sw * aw, sh * aw, aw, ah);
}

}  // namespace

void DrawGraphic(TXCanvas& canvas, const TXRect& target, const TXGraphic* graphic,
                 const TXFilterKernel* kernel) {
  TXRect rect{target.Left, target.Top, std::max(target.Right, target.Left),
              std::max(target.Bottom, target.Top)};
  if (!graphic || graphic->IsEmpty() || rect.IsEmpty()) return;
  TXCanvasLock hold(canvas);
  if (!kernel || (rect.Width() == graphic->Width() && rect.Height() == graphic->Height())) {
    canvas.StretchDraw(rect, *graphic);
  } else {
    DrawResampled(canvas, rect, *graphic, *kernel);
  }
}

void DrawImageObject(TXCanvas& canvas, int32_t x, int32_t y, const TXImageObject* image) {
  TXPicture picture = DecodedPicture(image);
  if (!picture.Graphic()) return;
  if (IsIcon(*image)) {
    canvas.StretchDraw(TXRect::FromSize(x, y, image->Width(), image->Height()), *picture.Graphic());
  } else {
    canvas.Draw(x, y, *picture.Graphic());
  }
}

void StretchImageObject(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                        const TXFilterKernel* kernel) {
  TXPicture picture = DecodedPicture(image);
  if (!picture.Graphic()) return;
  if (IsIcon(*image)) {
    canvas.StretchDraw(rect, *picture.Graphic());
  } else {
    DrawGraphic(canvas, rect, picture.Graphic(), kernel);
  }
}

void FitImageObject(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                    const TXFilterKernel* kernel) {
  TXPicture picture = DecodedPicture(image);
  if (!picture.Graphic()) return;
  TXCanvasLock hold(canvas);
  canvas.FillRect(rect);
  TXSize fitted = FitSize(picture.Width(), picture.Height(), rect.Width(), rect.Height());
  DrawGraphic(canvas, CenteredRect(rect, fitted), picture.Graphic(), kernel);
}

void FillImageObject(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                     const TXFilterKernel* kernel) {
  TXCanvasLock hold(canvas);
  canvas.FillRect(rect);
  if (!image || image->Width() == 0 || image->Height() == 0 || rect.IsEmpty()) return;
  const int64_t w = image->Width(), h = image->Height();
  TXSize size;
  if (rect.Width() * h >= rect.Height() * w) {
    size = {rect.Width(), RoundedQuotient(rect.Width() * h, w)};
  } else {
    size = {RoundedQuotient(rect.Height() * w, h), rect.Height()};
  }
  TXPicture picture = DecodedPicture(image);
  DrawGraphic(canvas, CenteredRect(rect, size), picture.Graphic(), kernel);
}

void FramedThumbnail(TXCanvas& canvas, const TXRect& rect, const TXImageObject* image,
                     const TXFilterKernel* kernel, TXColor topLeft, TXColor bottomRight,
                     TXFrameFit fit) {
  TXCanvasLock hold(canvas);
  canvas.FillRect(rect);
  if (!image || image->IsEmpty() || image->Width() <= 0 || image->Height() <= 0) return;
  TXRect inner = rect.Inflated(-2, -2);
  TXSize fitted = fit == TXFrameFit::ffFill
                      ? FilledSize(image->Width(), image->Height(), inner.Width(), inner.Height())
                      : FitSize(image->Width(), image->Height(), inner.Width(), inner.Height());
  TXRect place = CenteredRect(inner, fitted);
  canvas.FrameRect(place.Inflated(1, 1), topLeft, bottomRight);
  TXPicture picture = DecodedPicture(image);
  DrawGraphic(canvas, place, picture.Graphic(), kernel);
}

void MakeFittedBitmap(TXBitmap32& bitmap, int32_t boxWidth, int32_t boxHeight,
                      const TXFilterKernel* kernel, const TXGraphic* graphic) {
  if (!graphic) return;
  TXSize fitted = FitSize(graphic->Width(), graphic->Height(), boxWidth, boxHeight);
  TXCanvasLock hold(bitmap.Canvas());
  bitmap.SetSize(fitted.Width, fitted.Height);
  TXRect all = TXRect::FromSize(0, 0, fitted.Width, fitted.Height);
  bitmap.Canvas().FillRect(all);
  DrawGraphic(bitmap.Canvas(), all, graphic, kernel);
}

void MakeFrameBitmap(TXBitmap32& bitmap, int32_t width, int32_t height,
                     const TXFilterKernel* kernel, TXColor topLeft, TXColor bottomRight,
                     const TXImageObject* image, TXFrameFit fit) {
  TXCanvasLock hold(bitmap.Canvas());
  bitmap.SetSize(width, height);
  if (image) {
    FramedThumbnail(bitmap.Canvas(), TXRect::FromSize(0, 0, width, height), image, kernel, topLeft,
                    bottomRight, fit);
  }
}

}  // namespace kova
