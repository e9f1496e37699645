#include "recovery/formats/jpeg_format.h"

#include <array>

#include "imaging/jpeg_thumbnail.h"
#include "recovery/formats/exif_date.h"
#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 2> kStartOfImage = {0xFF, 0xD8};
constexpr std::array<uint8_t, 2> kEndOfImage = {0xFF, 0xD9};
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kExifSegment = 0xE1;
constexpr std::array<uint8_t, 6> kExifHeader = {'E', 'x', 'i', 'f', 0, 0};

bool IsApplicationSegment(uint8_t marker) {
  return marker >= 0xE0 && marker <= 0xEF;
}

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

constexpr TXDRStartPattern kJpegStarts[] = {{0, kStartOfImage}};

}  // namespace

constinit const TXDRScanFormatDeclaration kJPGDeclaration{".jpg", kJpegStarts, kMostPhotoBytes, 0,
                                                          MakeFormat<TXDRScanFormatJPG>};

TXDRScanFormatJPG::TXDRScanFormatJPG() : TXDRScanFormat(ClassOfKind(skJPG)) {}

int64_t TXDRScanFormatJPG::FindScanStart(TXSearch& search, int64_t start) {
  TXFormatReader reader(search);
  exifAt_ = -1;
  if (!reader.Matches(start, kStartOfImage)) return -1;
  int64_t offset = 2;
  TXSegment segment = ReadSegment(reader, start, offset);
  // The first segment must be an application segment, unless the scan starts at once.
  if (!IsApplicationSegment(segment.Marker)) {
    return segment.Marker == kStartOfScan ? start + offset : -1;
  }
  while (true) {
    if (segment.Marker == kExifSegment && exifAt_ < 0 &&
        reader.Matches(start + offset + 4, kExifHeader)) {
      exifAt_ = start + offset + 4 + static_cast<int64_t>(kExifHeader.size());
    }
    offset = segment.Next;
    if (search.Stopped() || offset < 0) break;
    if (segment.Marker == kStartOfScan) return start + offset;
    segment = ReadSegment(reader, start, offset);
  }
  return -1;
}

int64_t TXDRScanFormatJPG::MeasureEnd(TXSearch& search, int64_t start) {
  Taken = 0;
  int64_t scan = FindScanStart(search, start);
  if (scan < 0) return -1;
  int64_t end = search.FindPattern(kEndOfImage.data(), kEndOfImage.size(), scan);
  if (end <= start) return -1;
  if (exifAt_ >= 0) {
    TXFormatReader reader(search);
    Taken = TakenDateTime(reader, exifAt_);
  }
  return end + 1;
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
