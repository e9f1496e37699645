#pragma once

#include "imaging/bitmap32.h"

namespace kova {

// A PNG picture, registered as "TPngImage". Any PNG (palette, grey, 16-bit, with or without
// transparency) is decoded to 8 bits per channel; a picture with an alpha channel or a
// transparent colour counts as transparent and is drawn blended.
class TXPngImage : public TXGraphic {
 public:
  std::string GraphicClassName() const override { return "TPngImage"; }
  int32_t Width() const override { return pixels_.Width(); }
  int32_t Height() const override { return pixels_.Height(); }
  bool HasTransparency() const override { return hasAlpha_; }

  // The decoded pixels; their alpha is defined exactly when the picture has transparency.
  const TXBitmap32& Pixels() const { return pixels_; }
  // Makes an empty picture of the size, with or without an alpha channel, to be filled.
  TXBitmap32& Reset(int32_t width, int32_t height, bool hasAlpha);

  void LoadFromStream(TXStream& stream) override;
  // Writes an 8-bit RGBA PNG when the picture has transparency, an 8-bit RGB PNG otherwise.
  void SaveToStream(TXStream& stream) const override;
  void Draw(TXCanvas& canvas, const TXRect& rect) const override;

 private:
  TXBitmap32 pixels_;
  bool hasAlpha_ = false;
};

}  // namespace kova
