#include "recovery/formats/avi_format.h"

#include <array>

#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 4> kRiff = {'R', 'I', 'F', 'F'};
constexpr std::array<uint8_t, 4> kAvi = {'A', 'V', 'I', ' '};
constexpr int64_t kChunkHeader = 8;

}  // namespace

TXDRScanFormatAVI::TXDRScanFormatAVI() : TXDRScanFormat(ClassOfKind(skAVI)) {}

int64_t TXDRScanFormatAVI::MeasureEnd(TXSearch& search, int64_t start) {
  TXFormatReader reader(search);
  if (!reader.Matches(start, kRiff) || !reader.Matches(start + 8, kAvi)) return -1;
  uint32_t size = 0;
  if (!reader.U32At(start + 4, false, size) || size == 0) return -1;
  return start + kChunkHeader + size - 1;
}

}  // namespace kova
