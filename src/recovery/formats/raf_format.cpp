#include "recovery/formats/raf_format.h"

#include <algorithm>
#include <array>

#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 16> kSignature = {'F', 'U', 'J', 'I', 'F', 'I', 'L', 'M',
                                                'C', 'C', 'D', '-', 'R', 'A', 'W', ' '};
constexpr std::array<uint8_t, 2> kJpegStart = {0xFF, 0xD8};
// Where the header gives the preview's offset and length, then the sensor description's and the
// raw data's; a camera with two sensors repeats the last two 28 bytes later, each part of the
// second sensor following the same part of the first.
constexpr int64_t kPreviewPart = 84;
constexpr int64_t kFirstSensor[] = {92, 100};
constexpr int64_t kSecondSensorDistance = 28;
// The header ends before this; no part begins inside it.
constexpr int64_t kHeaderSize = 148;

constexpr TXDRStartPattern kRafStarts[] = {{0, kSignature}};

}  // namespace

constinit const TXDRScanFormatDeclaration kRAFDeclaration{".raf", kRafStarts, kMostRawBytes, 0,
                                                          MakeFormat<TXDRScanFormatRAF>};

TXDRScanFormatRAF::TXDRScanFormatRAF() : TXDRScanFormatPreviewed(ClassOfKind(skRAF)) {}

int64_t TXDRScanFormatRAF::MeasureEnd(TXSearch& search, int64_t start) {
  ClearPreview();
  TXFormatReader reader(search);
  if (!reader.Matches(start, kSignature)) return -1;
  const int64_t previewEnd = PartEnd(reader, start, kPreviewPart);
  uint32_t previewAt = 0;
  if (previewEnd == 0 || !reader.U32At(start + kPreviewPart, true, previewAt) ||
      !reader.Matches(start + previewAt, kJpegStart)) {
    return -1;
  }
  int64_t end = previewEnd;
  for (int64_t at : kFirstSensor) {
    const int64_t first = PartEnd(reader, start, at);
    const int64_t second = PartEnd(reader, start, at + kSecondSensorDistance);
    uint32_t secondAt = 0;
    const bool follows = reader.U32At(start + at + kSecondSensorDistance, true, secondAt) &&
                         first > 0 && secondAt == first;
    end = std::max({end, first, follows ? second : 0});
  }
  PreviewOffset = previewAt;
  PreviewLength = previewEnd - previewAt;
  return start + end - 1;
}

// A part counts when it lies after the header and has a length.
int64_t TXDRScanFormatRAF::PartEnd(TXFormatReader& reader, int64_t start, int64_t at) {
  uint32_t offset = 0;
  uint32_t length = 0;
  if (!reader.U32At(start + at, true, offset) || !reader.U32At(start + at + 4, true, length)) {
    return 0;
  }
  if (offset < kHeaderSize || length == 0) return 0;
  return int64_t{offset} + length;
}

}  // namespace kova
