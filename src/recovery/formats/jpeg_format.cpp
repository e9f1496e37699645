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

constexpr uint8_t kStartOfScan = 0xDA;

// One segment header: its marker and the offset of the header after it; marker 0 and next -1
// for a header that cannot be read or is refused (a prefix other than FF with a code of 0).
struct TXSegment {
  uint8_t Marker = 0;
  int64_t Next = -1;
};

TXSegment ReadSegment(TXFormatReader& reader, int64_t start, int64_t offset) {
  uint8_t header[4];
  if (!reader.ReadAt(start + offset, header, 4)) return {};
  if (header[0] != 0xFF && header[1] == 0) return {};
  return {header[1], offset + 2 + DecodeU16(header + 2, true)};
}

// Start-of-frame markers: 0xC0 to 0xCF but the table and arithmetic-coding ones.
bool IsFrameHeader(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The picture size that the frame header of the JPEG at `start` gives; 0 x 0 when no frame
// header comes before the scan.
TXSize FrameSize(TXFormatReader& reader, int64_t start) {
  constexpr int kMostSegments = 64;
  if (!reader.Matches(start, kStartOfImage)) return {};
  int64_t offset = 2;
  for (int segments = 0; segments < kMostSegments; ++segments) {
    const TXSegment segment = ReadSegment(reader, start, offset);
    if (segment.Next < 0 || segment.Marker == kStartOfScan) return {};
    if (IsFrameHeader(segment.Marker)) {
      uint8_t frame[5];  // precision, height, width
      if (!reader.ReadAt(start + offset + 4, frame, 5)) return {};
      return {DecodeU16(frame + 3, true), DecodeU16(frame + 1, true)};
    }
    offset = segment.Next;
  }
  return {};
}

}  // namespace

constinit const TXDRScanFormatDeclaration kJPGDeclaration{".jpg", kJpegStarts, kMostPhotoBytes, 0,
                                                          MakeFormat<TXDRScanFormatJPG>};

TXDRScanFormatJPG::TXDRScanFormatJPG() : TXDRScanFormat(ClassOfKind(skJPG)) {}

int64_t TXDRScanFormatJPG::FindScanStart(TXSearch& search, int64_t start) {
  TXJpegLayout layout;
  const bool read = TXJpegWalk(search).ReadHeaders(start, layout);
  exifAt_ = read ? layout.ExifAt : -1;
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
  const TXSize picture = FrameSize(reader, start);
  const TXSize small = FrameSize(reader, at);
  if (picture.IsEmpty() || small.IsEmpty() ||
      ThumbnailSize(embeddedBox_, small) != ThumbnailSize(embeddedBox_, picture)) {
    return;
  }
  embedded_ = {at - start, thumbnail.Length};
  Dimensions = picture;
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
