#include "imaging/jpeg_thumbnail.h"

#include <algorithm>
#include <atomic>
#include <span>

#include "framework/error_data.h"
#include "imaging/image_drawing.h"
#include "imaging/jpeg_encoder.h"
#include "imaging/jpeg_image.h"

namespace kova {

namespace {

constexpr int32_t kFullSizeBox = 200;
constexpr int32_t kLargestDensity = 4;

std::atomic<int32_t> thumbnailDensity{1};

}  // namespace

std::span<const uint8_t> RemainingBytes(TXStream& stream, std::vector<uint8_t>& buffer) {
  if (auto* memory = dynamic_cast<TXMemoryStream*>(&stream)) {
    int64_t position = std::clamp<int64_t>(memory->Position(), 0, memory->Size());
    return std::span<const uint8_t>(memory->Data(), static_cast<size_t>(memory->Size()))
        .subspan(static_cast<size_t>(position));
  }
  buffer = stream.ReadRemaining();
  return buffer;
}

bool MakeFittedThumbnail(TXSize box, TXSize& pictureSize, TXImageObject& image,
                         const TXPictureDecode& decode) {
  pictureSize = {};
  image.Clear();
  try {
    TXBitmap32 picture;
    TXSize size;
    if (!decode(picture, size)) return true;
    TXBitmap32 fitted;
    MakeFittedBitmap(fitted, box.Width, box.Height, nullptr, &picture);
    if (!image.LoadFrom(fitted)) return false;
    pictureSize = size;
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
    image.Clear();
    return false;
  }
}

void CompactThumbnail(TXImageObject& image) {
  if (image.IsEmpty() || image.DataClass() != "TBitmap") return;
  try {
    const std::unique_ptr<TXGraphic> decoded = image.Decode();
    const auto* bitmap = dynamic_cast<const TXBitmap32*>(decoded.get());
    if (!bitmap || bitmap->HasTransparency()) return;
    TXJPEGImage jpeg;
    jpeg.LoadFromBytes(EncodeJpeg(*bitmap, kKeptThumbnailQuality));
    TXImageObject compact;
    if (!compact.LoadFrom(jpeg)) return;
    // A copy into a vector that kept its capacity would keep the pixels' bytes allocated.
    image.Clear();
    image.DataStream().Bytes().shrink_to_fit();
    image.Assign(compact);
  } catch (const std::exception& error) {
    RecordException(error);
  }
}

TXSize ThumbnailBox() {
  const int32_t density = thumbnailDensity.load(std::memory_order_relaxed);
  return {kThumbnailBox.Width * density, kThumbnailBox.Height * density};
}

void SetThumbnailDensity(int32_t density) {
  thumbnailDensity.store(std::clamp(density, 1, kLargestDensity), std::memory_order_relaxed);
}

TXJpegScale ThumbnailScale(TXSize box, TXSize picture) {
  if (box.Width >= kFullSizeBox || box.Height >= kFullSizeBox) return TXJpegScale::jsFullSize;
  TXSize eighth = ScaledJpegSize(picture.Width, picture.Height, TXJpegScale::jsEighth);
  if (eighth.Width < kFullSizeBox || eighth.Height < kFullSizeBox) return TXJpegScale::jsFullSize;
  return TXJpegScale::jsEighth;
}

TXSize ThumbnailSize(TXSize box, TXSize picture) {
  const TXSize decoded =
      ScaledJpegSize(picture.Width, picture.Height, ThumbnailScale(box, picture));
  return FitSize(decoded.Width, decoded.Height, box.Width, box.Height);
}

bool DecodeJpegThumbnail(TXStream& stream, TXSize box, TXSize& pictureSize, TXImageObject& image) {
  return MakeFittedThumbnail(box, pictureSize, image, [&](TXBitmap32& picture, TXSize& size) {
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> bytes = RemainingBytes(stream, buffer);
    if (bytes.empty()) throw EXInvalidGraphic("no JPEG data");
    TXJpegInfo info = DecodeJpeg(
        bytes,
        [box](const TXJpegInfo& header) {
          return ThumbnailScale(box, {header.Width, header.Height});
        },
        picture);
    size = {info.Width, info.Height};
    return true;
  });
}

}  // namespace kova
