#include "recovery/formats/jpeg_format.h"

#include <algorithm>
#include <array>

#include "imaging/jpeg_thumbnail.h"
#include "recovery/formats/exif_date.h"
#include "recovery/formats/exif_thumbnail.h"
#include "recovery/formats/format_reader.h"
#include "recovery/formats/jpeg_walk.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 2> kStartOfImage = {0xFF, 0xD8};
constexpr TXDRStartPattern kJpegStarts[] = {{0, kStartOfImage}};

}  // namespace

constinit const TXDRScanFormatDeclaration kJPGDeclaration{".jpg", kJpegStarts, kMostPhotoBytes, 0,
                                                          MakeFormat<TXDRScanFormatJPG>};

TXDRScanFormatJPG::TXDRScanFormatJPG() : TXDRScanFormat(ClassOfKind(skJPG)) {}

int64_t TXDRScanFormatJPG::FindScanStart(TXSearch& search, int64_t start) {
  TXJpegLayout layout;
  const bool read = TXJpegWalk(search).ReadHeaders(start, layout);
  exifAt_ = read ? layout.ExifAt : -1;
  frame_ = read ? layout.Frame : TXSize{};
  return read ? layout.ScanStart : -1;
}

int64_t TXDRScanFormatJPG::MeasureEnd(TXSearch& search, int64_t start) {
  Taken = 0;
  TXJpegWalk walk(search);
  TXJpegLayout layout;
  if (!walk.ReadHeaders(start, layout)) return -1;
  const int64_t end = walk.FindFileEnd(start, layout);
  if (end <= start) return -1;
  if (layout.ExifAt >= 0) {
    TXFormatReader reader(search);
    Taken = TakenDateTime(reader, layout.ExifAt);
  }
  return end;
}

bool TXDRScanFormatJPG::Recognise(TXSearch& search, int64_t start) {
  embedded_ = {};
  if (FindScanStart(search, start) < 0) return false;
  if (!embeddedBox_.IsEmpty() && exifAt_ >= 0) ChooseEmbedded(search, start);
  return true;
}

void TXDRScanFormatJPG::ChooseEmbedded(TXSearch& search, int64_t start) {
  TXFormatReader reader(search);
  const TXPicturePlace thumbnail = ExifThumbnailAt(reader, exifAt_);
  if (thumbnail.Offset <= 0) return;
  const int64_t at = exifAt_ + thumbnail.Offset;
  TXJpegLayout small;
  if (frame_.IsEmpty() || !TXJpegWalk(search).ReadHeaders(at, small, TXJpegOpening::joAnySegment) ||
      small.Frame.IsEmpty() ||
      ThumbnailSize(embeddedBox_, small.Frame) != ThumbnailSize(embeddedBox_, frame_)) {
    return;
  }
  embedded_ = {at - start, thumbnail.Length};
  Dimensions = frame_;
}

int64_t TXDRScanFormatJPG::ThumbnailSourceSize(int64_t fileSize) const {
  if (embedded_.Offset <= 0) return fileSize;
  return std::min(fileSize, embedded_.Offset + embedded_.Length);
}

bool TXDRScanFormatJPG::DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream,
                                        TXImageObject& image) {
  if (embedded_.Offset <= 0) {
    stream.SetPosition(0);
    return DecodeJpegThumbnail(stream, box, size, image);
  }
  stream.SetPosition(embedded_.Offset);
  TXSize small;
  if (!DecodeJpegThumbnail(stream, box, small, image)) return false;
  size = Dimensions;
  return true;
}

}  // namespace kova
