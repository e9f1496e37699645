#include "recovery/formats/jpeg_format.h"

#include <array>

#include "imaging/jpeg_thumbnail.h"
#include "recovery/formats/exif_date.h"
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
  return TXJpegWalk(search).ReadHeaders(start, layout) ? layout.ScanStart : -1;
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
  return FindScanStart(search, start) >= 0;
}

bool TXDRScanFormatJPG::DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream,
                                        TXImageObject& image) {
  stream.SetPosition(0);
  return DecodeJpegThumbnail(stream, box, size, image);
}

}  // namespace kova
