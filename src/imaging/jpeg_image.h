#pragma once

#include <atomic>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/jpeg_decoder.h"

namespace kova {

// The JPEG picture of the system, registered as "TXJPEGImage" and stored as "TJPEGImage". It
// keeps the encoded bytes and decodes them on first use at the chosen scale. Drawing locks the
// decoded bitmap, so a picture may be drawn while another thread decodes into it.
class TXJPEGImage : public TXGraphic {
 public:
  std::string GraphicClassName() const override { return "TXJPEGImage"; }
  // The size at the current scale.
  int32_t Width() const override { return ScaledSize().Width; }
  int32_t Height() const override { return ScaledSize().Height; }
  // The size of the whole picture, from its header.
  TXSize FullSize() const { return {info_.Width, info_.Height}; }

  TXJpegScale Scale() const { return scale_.load(); }
  // Changing the scale drops the decoded bitmap.
  void SetScale(TXJpegScale scale);

  // Reads the bytes from the stream's position to its end and checks the header.
  void LoadFromStream(TXStream& stream) override;
  void LoadFromBytes(std::vector<uint8_t> bytes);
  void SaveToStream(TXStream& stream) const override;
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

  // The decoded picture at the current scale; decodes when needed (throws EXInvalidGraphic).
  const TXBitmap32& Bitmap() const;
  void Draw(TXCanvas& canvas, const TXRect& rect) const override;

 private:
  TXSize ScaledSize() const { return ScaledJpegSize(info_.Width, info_.Height, scale_.load()); }

  std::vector<uint8_t> bytes_;
  TXJpegInfo info_;
  std::atomic<TXJpegScale> scale_{TXJpegScale::jsFullSize};
  mutable TXBitmap32 bitmap_;
  mutable bool decoded_ = false;
};

}  // namespace kova
