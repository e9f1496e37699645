#include "recovery/formats/previewed_format.h"

#include <algorithm>

#include "imaging/jpeg_thumbnail.h"

namespace kova {

int64_t TXDRScanFormatPreviewed::ThumbnailSourceSize(int64_t fileSize) const {
  if (PreviewOffset <= 0) return 0;
  if (PreviewLength <= 0) return fileSize;
  return std::min(fileSize, PreviewOffset + PreviewLength);
}

bool TXDRScanFormatPreviewed::DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream,
                                              TXImageObject& image) {
  size = {};
  image.Clear();
  if (PreviewOffset <= 0 || stream.Size() == 0) return false;
  stream.SetPosition(PreviewOffset);
  TXSize pictureSize;
  return DecodeJpegThumbnail(stream, box, pictureSize, image);
}

}  // namespace kova
