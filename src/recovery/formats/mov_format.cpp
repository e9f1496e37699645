#include "recovery/formats/mov_format.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr int32_t kFirstBoxPattern = 7;
constexpr int32_t kLastBoxPattern = 10;
// "wide" is the placeholder that QuickTime writers put before a media box that may outgrow 4 GiB.
constexpr std::array<std::string_view, 7> kTopLevelTypes = {"ftyp", "skip", "mdat", "moov",
                                                            "free", "uuid", "wide"};
constexpr int64_t kHeader = 8;
constexpr int64_t kLargeHeader = 16;
// Sizes beyond this come from damaged data; they would overflow the positions.
constexpr int64_t kMaxBoxSize = int64_t{1} << 60;
// The brands of real files take a few dozen bytes.
constexpr int64_t kMaxBrandBytes = 1024;

bool IsTopLevelType(std::string_view type) {
  return std::ranges::find(kTopLevelTypes, type) != kTopLevelTypes.end();
}

bool StartsWithBoxHeader(TXFormatReader& reader, int64_t start) {
  for (int32_t pattern = kFirstBoxPattern; pattern <= kLastBoxPattern; ++pattern) {
    if (reader.Matches(start, StartPattern(pattern))) return true;
  }
  return false;
}

}  // namespace

TXDRScanFormatMOV::TXDRScanFormatMOV() : TXDRScanFormatMOV(ClassOfKind(skMOV)) {}

TXDRScanFormatMP4::TXDRScanFormatMP4() : TXDRScanFormatMOV(ClassOfKind(skMP4)) {}

int64_t TXDRScanFormatMOV::MeasureEnd(TXSearch& search, int64_t start) {
  Kind = skMOV;
  TXFormatReader reader(search);
  if (!StartsWithBoxHeader(reader, start)) return -1;
  int64_t offset = 0;
  while (true) {
    reader.CheckStop();
    int64_t size = BoxSize(reader, start + offset);
    if (size == 0) break;
    offset += size;
  }
  return start + offset - 1;
}

// A box smaller than its own header, or one too large for any medium, ends the file as well.
int64_t TXDRScanFormatMOV::BoxSize(TXFormatReader& reader, int64_t pos) {
  uint8_t header[kHeader];
  if (!reader.ReadAt(pos, header, kHeader)) return 0;
  std::string_view type(reinterpret_cast<const char*>(header + 4), 4);
  if (!IsTopLevelType(type)) return 0;
  int64_t size = DecodeU32(header, true);
  int64_t headerSize = kHeader;
  if (size == 1) {
    uint64_t large = 0;
    if (!reader.U64At(pos + kHeader, true, large)) return 0;
    size = large > static_cast<uint64_t>(kMaxBoxSize) ? 0 : static_cast<int64_t>(large);
    headerSize = kLargeHeader;
  }
  if (size < headerSize) return 0;
  if (type == "ftyp" && BrandsMentionMp4(reader, pos + kHeader, size - kHeader)) Kind = skMP4;
  return size;
}

// Looks at the brands of a file-type box, as far as the source holds them.
bool TXDRScanFormatMOV::BrandsMentionMp4(TXFormatReader& reader, int64_t pos, int64_t count) {
  count = std::min({count, kMaxBrandBytes, reader.Size() - pos});
  if (count <= 0) return false;
  std::vector<char> brands(static_cast<size_t>(count));
  if (!reader.ReadAt(pos, brands.data(), count)) return false;
  return std::string_view(brands.data(), brands.size()).find("mp4") != std::string_view::npos;
}

}  // namespace kova
