#include "recovery/formats/tiff_format.h"

#include <algorithm>
#include <array>

#include "framework/text_utils.h"
#include "recovery/formats/exif_date.h"
#include "recovery/formats/format_reader.h"
#include "recovery/formats/tiff_walk.h"

namespace kova {

namespace {

// The length of Sony DSLR-A100 files, whose raw data no directory describes.
constexpr int64_t kA100FileSize = 20534752;

constexpr std::array<uint8_t, 4> kPanasonicHeader = {'I', 'I', 'U', 0};
constexpr std::array<uint8_t, 4> kOlympusHeader = {'I', 'I', 'R', 'O'};
constexpr std::array<uint8_t, 4> kLittleEndianHeader = {'I', 'I', 42, 0};
constexpr std::array<uint8_t, 4> kBigEndianHeader = {'M', 'M', 0, 42};

constexpr TXDRStartPattern kTiffStarts[] = {{0, kLittleEndianHeader}, {0, kBigEndianHeader}};
constexpr TXDRStartPattern kOlympusStarts[] = {{0, kOlympusHeader}};
constexpr TXDRStartPattern kPanasonicStarts[] = {{0, kPanasonicHeader}};
// 16-bit scans and exports of large photos.
constexpr int64_t kMostTiffBytes = int64_t{1024} << 20;

template <uint8_t KKind>
constexpr TXDRScanFormatDeclaration Raw(std::string_view ext,
                                        std::span<const TXDRStartPattern> starts = kTiffStarts) {
  return {ext, starts, kMostRawBytes, 0, MakeFormat<TXDRScanFormatTIFVariant<KKind>>};
}

}  // namespace

constinit const TXDRScanFormatDeclaration kTIFDeclaration{".tif", kTiffStarts, kMostTiffBytes, 0,
                                                          MakeFormat<TXDRScanFormatTIF>};
constinit const TXDRScanFormatDeclaration kDNGDeclaration = Raw<skDNG>(".dng");
constinit const TXDRScanFormatDeclaration kCR2Declaration = Raw<skCR2>(".cr2");
constinit const TXDRScanFormatDeclaration kNEFDeclaration = Raw<skNEF>(".nef");
constinit const TXDRScanFormatDeclaration kORFDeclaration = Raw<skORF>(".orf", kOlympusStarts);
constinit const TXDRScanFormatDeclaration kPEFDeclaration = Raw<skPEF>(".pef");
constinit const TXDRScanFormatDeclaration kARWDeclaration = Raw<skARW>(".arw");
// Sony's TIFF-structured raw files of the DSLR-A series share the extension (and lose it to
// TXDRScanFormatARW, listed first).
constinit const TXDRScanFormatDeclaration kARWTIFDeclaration = Raw<skARWTIF>(".arw");
constinit const TXDRScanFormatDeclaration kSRFDeclaration = Raw<skSRF>(".srf");
constinit const TXDRScanFormatDeclaration kSR2Declaration = Raw<skSR2>(".sr2");
constinit const TXDRScanFormatDeclaration kRAWDeclaration = Raw<skRAW>(".raw");
constinit const TXDRScanFormatDeclaration kRW2Declaration = Raw<skRW2>(".rw2", kPanasonicStarts);

TXDRScanFormatTIF::TXDRScanFormatTIF() : TXDRScanFormatTIF(ClassOfKind(skTIF)) {}

TXDRScanFormatTIF::TXDRScanFormatTIF(const TXDRScanFormatClass& formatClass)
    : TXDRScanFormatPreviewed(formatClass) {}

int64_t TXDRScanFormatTIF::MeasureEnd(TXSearch& search, int64_t start) {
  Kind = skTIF;
  Taken = 0;
  ClearPreview();
  try {
    TXFormatReader reader(search);
    return Measure(reader, start);
  } catch (...) {
    ClearPreview();
    throw;
  }
}

int64_t TXDRScanFormatTIF::Measure(TXFormatReader& reader, int64_t start) {
  TXTiffFacts facts;
  TXTiffWalk walk(reader, start, FormatClass().Kind == skRW2);
  if (!walk.WalkChain(facts)) return -1;
  Kind = facts.HasDNGVersion ? uint8_t{skDNG} : FamilyOf(facts, reader, start);
  walk.WalkSideDirectories();
  if (facts.HasDNGVersion) Kind = skDNG;
  if (facts.A100SubIFD != 0) {
    Kind = skARW;
    if (facts.A100SubIFD > facts.MaxEnd) facts.MaxEnd = kA100FileSize;
  }
  if (!facts.HasStrips && facts.SingleStripBytes != 0) facts.MaxEnd += facts.SingleStripBytes;
  ChooseThumbnailSource(facts);
  Taken = ExifDateTime(facts.TakenText);
  if (reader.Search().Stopped() || facts.MaxEnd <= 0) return -1;
  return start + facts.MaxEnd - 1;
}

uint8_t TXDRScanFormatTIF::FamilyOf(const TXTiffFacts& facts, TXFormatReader& reader,
                                    int64_t start) const {
  const std::string& make = facts.Make;
  const bool rawHeader =
      reader.Matches(start, kPanasonicHeader) || reader.Matches(start, kOlympusHeader);
  // A program's export keeps the camera's make in its EXIF data but is no raw file.
  if (facts.PlainPicture && !rawHeader) return skTIF;
  if (ContainsText(make, "NIKON")) return skNEF;
  // Pentax cameras made under the Ricoh name carry "PENTAX" in the model only.
  if (ContainsText(make, "PENTAX") || ContainsText(facts.Model, "PENTAX")) return skPEF;
  if (ContainsText(make, "CANON")) return skCR2;
  if (ContainsText(make, "SONY")) {
    if (ContainsText(facts.Model, "DSLR-A")) return skARWTIF;
    if (ContainsText(facts.Model, "DSC-R1")) return skSR2;
    if (!facts.HasStrips && facts.SingleStripBytes != 0) return skSRF;
    return skTIF;
  }
  if (reader.Matches(start, kPanasonicHeader)) return skRW2;
  if (reader.Matches(start, kOlympusHeader)) return skORF;
  return skTIF;
}

// Plain TIFF and DNG files get no thumbnail; Nikon and Pentax files take the last JPEG named by
// a JPEG-interchange-format entry; the others the first picture candidate met.
void TXDRScanFormatTIF::ChooseThumbnailSource(const TXTiffFacts& facts) {
  TXPicturePlace place;
  switch (Kind) {
    case skTIF:
    case skDNG:
      break;
    case skNEF:
    case skPEF:
      place = facts.Jpeg;
      break;
    default:
      place = facts.Preview;
      break;
  }
  PreviewOffset = place.Offset;
  PreviewLength = place.Offset > 0 ? place.Length : 0;
}

}  // namespace kova
