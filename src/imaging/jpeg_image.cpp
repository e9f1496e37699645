#include "imaging/jpeg_image.h"

#include "framework/stream.h"

namespace kova {

void TXJPEGImage::SetScale(TXJpegScale scale) {
  TXCanvasLock hold(bitmap_.Canvas());
  if (scale == scale_) return;
  scale_ = scale;
  decoded_ = false;
  bitmap_.SetSize(0, 0);
}

void TXJPEGImage::LoadFromStream(TXStream& stream) {
  LoadFromBytes(stream.ReadRemaining());
}

void TXJPEGImage::LoadFromBytes(std::vector<uint8_t> bytes) {
  TXJpegInfo info = ReadJpegInfo(bytes);
  TXCanvasLock hold(bitmap_.Canvas());
  bytes_ = std::move(bytes);
  info_ = info;
  decoded_ = false;
  bitmap_.SetSize(0, 0);
}

void TXJPEGImage::SaveToStream(TXStream& stream) const {
  stream.WriteBuffer(bytes_.data(), static_cast<int64_t>(bytes_.size()));
}

const TXBitmap32& TXJPEGImage::Bitmap() const {
  TXCanvasLock hold(bitmap_.Canvas());
  if (!decoded_ && !bytes_.empty()) {
    TXBitmap32 decoded;
    DecodeJpeg(bytes_, scale_, decoded);
    bitmap_.Swap(decoded);
    decoded_ = true;
  }
  return bitmap_;
}

void TXJPEGImage::Draw(TXCanvas& canvas, const TXRect& rect) const {
  TXCanvasLock hold(bitmap_.Canvas());
  canvas.StretchPixels(rect, Bitmap(), false);
}

}  // namespace kova
