#include "recovery/formats/mrw_format.h"

#include <array>

#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 4> kSignature = {0, 'M', 'R', 'M'};
// The signature and the block length field, which the length does not count.
constexpr int64_t kHeaderPrefix = 8;
constexpr int64_t kSensorHeightAt = 24;
constexpr int64_t kSensorWidthAt = 26;
constexpr int64_t kSampleSizeAt = 32;
constexpr uint8_t kUnpackedSamples = 16;

uint16_t U16OrZero(TXFormatReader& reader, int64_t pos) {
  uint16_t value = 0;
  return reader.U16At(pos, true, value) ? value : 0;
}

constexpr TXDRStartPattern kMrwStarts[] = {{0, kSignature}};

}  // namespace

constinit const TXDRScanFormatDeclaration kMRWDeclaration{".mrw", kMrwStarts, kMostRawBytes, 0,
                                                          MakeFormat<TXDRScanFormatMRW>};

TXDRScanFormatMRW::TXDRScanFormatMRW() : TXDRScanFormat(ClassOfKind(skMRW)) {}

// The raw samples follow the header block: the file ends 8 + block length + raw size bytes after
// its start. Samples are two bytes each when the sample size is 16, else 12-bit packed.
int64_t TXDRScanFormatMRW::MeasureEnd(TXSearch& search, int64_t start) {
  TXFormatReader reader(search);
  uint32_t blockLength = 0;
  if (!reader.Matches(start, kSignature) || !reader.U32At(start + 4, true, blockLength)) return -1;
  uint16_t height = U16OrZero(reader, start + kSensorHeightAt);
  uint16_t width = U16OrZero(reader, start + kSensorWidthAt);
  if (width == 0 || height == 0) return -1;
  uint8_t sampleSize = 0;
  reader.ReadAt(start + kSampleSizeAt, &sampleSize, 1);
  Dimensions = {width, height};
  uint32_t half = static_cast<uint32_t>(width) * height / 2;
  int64_t rawSize = int64_t{half} * (sampleSize == kUnpackedSamples ? 4 : 3);
  return start + kHeaderPrefix + blockLength + rawSize - 1;
}

}  // namespace kova
