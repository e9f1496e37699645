#include "recovery/formats/mov_format.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "recovery/formats/format_reader.h"
#include "recovery/formats/iso_boxes.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

// "wide" is the placeholder that QuickTime writers put before a media box that may outgrow 4 GiB;
// "pnot" is the preview note of old QuickTime files.
constexpr std::array<std::string_view, 8> kTopLevelTypes = {"ftyp", "skip", "mdat", "moov",
                                                            "free", "uuid", "wide", "pnot"};
// A file-type box holds a major brand, its version and a list of compatible brands: real ones
// take a few dozen bytes.
constexpr int64_t kMaxFileTypeSize = 512;
constexpr int64_t kMaxBrandBytes = kMaxFileTypeSize;

bool IsTopLevelType(std::string_view type) {
  return std::ranges::find(kTopLevelTypes, type) != kTopLevelTypes.end();
}

// Brands are four letters, digits or spaces, the first not a space ("qt  ", "mp42", "3gp4").
bool IsPlausibleBrand(const uint8_t* brand) {
  auto brandByte = [](uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
  };
  return brand[0] != ' ' && std::all_of(brand, brand + 4, brandByte);
}

}  // namespace

TXDRScanFormatMOV::TXDRScanFormatMOV() : TXDRScanFormatMOV(ClassOfKind(skMOV)) {}

TXDRScanFormatMP4::TXDRScanFormatMP4() : TXDRScanFormatMOV(ClassOfKind(skMP4)) {}

int64_t TXDRScanFormatMOV::MeasureEnd(TXSearch& search, int64_t start) {
  Kind = skMOV;
  TXFormatReader reader(search);
  TXBox box;
  if (!ReadBox(reader, start, box) || !StartsAFile(reader, box)) return -1;
  const bool movieFirst = box.Is("moov");
  TXMovieParts parts;
  int64_t end = start;
  while (TakeBox(reader, box, parts)) {
    reader.CheckStop();
    end = box.End();
    if (!ReadBox(reader, end, box)) break;
  }
  if (!parts.MovieHeader || (movieFirst && !parts.Media)) return -1;
  return end - 1;
}

bool TXDRScanFormatMOV::StartsAFile(TXFormatReader& reader, const TXBox& first) {
  if (!IsTopLevelType(first.TypeText())) return false;
  if (!first.Is("ftyp")) return true;
  if (first.Size > kMaxFileTypeSize) return false;
  uint8_t brand[4];
  return first.Size < first.HeaderSize + 4 ||
         (reader.ReadAt(first.ContentPos(), brand, 4) && IsPlausibleBrand(brand));
}

bool TXDRScanFormatMOV::TakeBox(TXFormatReader& reader, const TXBox& box, TXMovieParts& parts) {
  if (!IsTopLevelType(box.TypeText())) return false;
  if (box.Is("ftyp")) TakeBrands(reader, box);
  if (box.Is("mdat")) parts.Media = true;
  TXBox header;
  if (box.Is("moov") && FindChildBox(reader, box, box.ContentPos(), "mvhd", header)) {
    parts.MovieHeader = true;
  }
  return true;
}

// Looks at the brands of a file-type box, as far as the source holds them.
void TXDRScanFormatMOV::TakeBrands(TXFormatReader& reader, const TXBox& fileType) {
  const int64_t pos = fileType.ContentPos();
  const int64_t count =
      std::min({fileType.Size - fileType.HeaderSize, kMaxBrandBytes, reader.Size() - pos});
  if (count <= 0) return;
  std::vector<char> brands(static_cast<size_t>(count));
  if (!reader.ReadAt(pos, brands.data(), count)) return;
  if (std::string_view(brands.data(), brands.size()).find("mp4") != std::string_view::npos) {
    Kind = skMP4;
  }
}

}  // namespace kova
