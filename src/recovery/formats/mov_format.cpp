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
// "meta" holds the items of a HEIF picture.
constexpr std::array<std::string_view, 9> kTopLevelTypes = {"ftyp", "skip", "mdat", "moov", "free",
                                                            "uuid", "wide", "pnot", "meta"};
constexpr std::array<std::string_view, 8> kHeifBrands = {"heic", "heix", "heim", "heis",
                                                         "hevc", "hevx", "mif1", "msf1"};
constexpr std::string_view kCanonBrand = "crx ";
// The box of Canon's own data in a CR3 file's movie box.
constexpr std::array<uint8_t, 16> kCanonBox = {0x85, 0xC0, 0xB6, 0x87, 0x82, 0x0F, 0x11, 0xE0,
                                               0x81, 0x11, 0xF4, 0xCE, 0x46, 0x2B, 0x6A, 0x48};
constexpr std::array<uint8_t, 3> kJpegStart = {0xFF, 0xD8, 0xFF};
// The JPEG of a thumbnail box follows a few fields: its size, the picture's size.
constexpr int64_t kMaxThumbnailFields = 64;
// A full box ("meta") has a version and flags before its children.
constexpr int64_t kFullBoxFields = 4;
// A file-type box holds a major brand, its version and a list of compatible brands: real ones
// take a few dozen bytes.
constexpr int64_t kMaxFileTypeSize = 512;
constexpr int64_t kMaxBrandBytes = kMaxFileTypeSize;

// A file starts with the header of one of these boxes, whatever its size: a file-type box, or a
// box that writers put first.
constexpr uint8_t kFirstBoxTypes[][4] = {
    {'f', 't', 'y', 'p'}, {'m', 'o', 'o', 'v'}, {'m', 'd', 'a', 't'}, {'w', 'i', 'd', 'e'},
    {'f', 'r', 'e', 'e'}, {'s', 'k', 'i', 'p'}, {'u', 'u', 'i', 'd'}, {'p', 'n', 'o', 't'}};
constexpr int32_t kBoxTypeAt = 4;

constexpr auto kFirstBoxes = [] {
  std::array<TXDRStartPattern, std::size(kFirstBoxTypes)> boxes{};
  for (size_t i = 0; i < boxes.size(); ++i)
    boxes[i] = {kBoxTypeAt, kFirstBoxTypes[i]};
  return boxes;
}();
// Pictures start with their file-type box.
constexpr TXDRStartPattern kFileTypeBox[] = {kFirstBoxes[0]};

template <class List>
bool Holds(const List& list, std::string_view value) {
  return std::ranges::find(list, value) != list.end();
}

bool IsTopLevelType(std::string_view type) {
  return Holds(kTopLevelTypes, type);
}

// Brands are four letters, digits or spaces, the first not a space ("qt  ", "mp42", "3gp4").
bool IsPlausibleBrand(const uint8_t* brand) {
  auto brandByte = [](uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
  };
  return brand[0] != ' ' && std::all_of(brand, brand + 4, brandByte);
}

}  // namespace

constinit const TXDRScanFormatDeclaration kMOVDeclaration{".mov", kFirstBoxes, kMostVideoBytes, 0,
                                                          MakeFormat<TXDRScanFormatMOV>};
constinit const TXDRScanFormatDeclaration kMP4Declaration{".mp4", kFirstBoxes, kMostVideoBytes, 0,
                                                          MakeFormat<TXDRScanFormatMP4>};
constinit const TXDRScanFormatDeclaration kCR3Declaration{".cr3", kFileTypeBox, kMostRawBytes, 0,
                                                          MakeFormat<TXDRScanFormatCR3>};
constinit const TXDRScanFormatDeclaration kHEICDeclaration{".heic", kFileTypeBox, kMostPhotoBytes,
                                                           0, MakeFormat<TXDRScanFormatHEIC>};

TXDRScanFormatMOV::TXDRScanFormatMOV() : TXDRScanFormatMOV(ClassOfKind(skMOV)) {}

int64_t TXDRScanFormatMOV::MeasureEnd(TXSearch& search, int64_t start) {
  Kind = skMOV;
  ClearPreview();
  start_ = start;
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
  if (Kind == skHEIC) return parts.ItemLocations ? end - 1 : -1;
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
  TXBox child;
  if (box.Is("moov")) {
    parts.MovieHeader |= FindChildBox(reader, box, box.ContentPos(), "mvhd", child);
    if (Kind == skCR3) TakeCanonThumbnail(reader, box);
  }
  if (box.Is("meta")) {
    parts.ItemLocations |=
        FindChildBox(reader, box, box.ContentPos() + kFullBoxFields, "iloc", child);
  }
  return true;
}

void TXDRScanFormatMOV::TakeCanonThumbnail(TXFormatReader& reader, const TXBox& movie) {
  TXBox canon;
  TXBox thumbnail;
  for (int64_t pos = movie.ContentPos(); FindChildBox(reader, movie, pos, "uuid", canon);
       pos = canon.End()) {
    if (!reader.Matches(canon.ContentPos(), kCanonBox)) continue;
    if (!FindChildBox(reader, canon, canon.ContentPos() + std::ssize(kCanonBox), "THMB", thumbnail))
      return;
    for (int64_t at = thumbnail.ContentPos();
         at < thumbnail.ContentPos() + kMaxThumbnailFields && at < thumbnail.End(); ++at) {
      if (reader.Matches(at, kJpegStart)) {
        PreviewOffset = at - start_;
        PreviewLength = thumbnail.End() - at;
        return;
      }
    }
    return;
  }
}

// Looks at the brands of a file-type box, as far as the source holds them.
void TXDRScanFormatMOV::TakeBrands(TXFormatReader& reader, const TXBox& fileType) {
  const int64_t pos = fileType.ContentPos();
  const int64_t count =
      std::min({fileType.Size - fileType.HeaderSize, kMaxBrandBytes, reader.Size() - pos});
  if (count <= 0) return;
  std::vector<char> bytes(static_cast<size_t>(count));
  if (!reader.ReadAt(pos, bytes.data(), count)) return;
  const std::string_view brands(bytes.data(), bytes.size());
  const std::string_view major = brands.substr(0, 4);
  if (Holds(kHeifBrands, major)) {
    Kind = skHEIC;
  } else if (major == kCanonBrand) {
    Kind = skCR3;
  } else if (brands.find("mp4") != std::string_view::npos) {
    Kind = skMP4;
  }
}

}  // namespace kova
