#pragma once

#include "recovery/formats/previewed_format.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

struct TXTiffFacts;
class TXFormatReader;

// TIFF-structured files: plain TIFF and the camera raw formats built on it. The measurement walks
// the directories and takes the largest end of the data they describe; the camera family comes
// from the make and model names and a few header variants, and decides the kind (and with it the
// extension). The thumbnail comes from an embedded JPEG picture.
class TXDRScanFormatTIF : public TXDRScanFormatPreviewed {
 public:
  TXDRScanFormatTIF();

 protected:
  explicit TXDRScanFormatTIF(const TXDRScanFormatClass& formatClass);

  int64_t MeasureEnd(TXSearch& search, int64_t start) override;

 private:
  int64_t Measure(TXFormatReader& reader, int64_t start);
  uint8_t FamilyOf(const TXTiffFacts& facts, TXFormatReader& reader, int64_t start) const;
  void ChooseThumbnailSource(const TXTiffFacts& facts);
};

// The camera variants: the same measurement, made as another kind (which sets the start patterns
// and the extension the class stands for; the measurement decides the kind a file finally gets).
template <uint8_t KKind>
class TXDRScanFormatTIFVariant final : public TXDRScanFormatTIF {
 public:
  TXDRScanFormatTIFVariant() : TXDRScanFormatTIF(ClassOfKind(KKind)) {}
};

using TXDRScanFormatDNG = TXDRScanFormatTIFVariant<skDNG>;
using TXDRScanFormatCR2 = TXDRScanFormatTIFVariant<skCR2>;
using TXDRScanFormatNEF = TXDRScanFormatTIFVariant<skNEF>;
using TXDRScanFormatORF = TXDRScanFormatTIFVariant<skORF>;
using TXDRScanFormatPEF = TXDRScanFormatTIFVariant<skPEF>;
using TXDRScanFormatARW = TXDRScanFormatTIFVariant<skARW>;
using TXDRScanFormatARWTIF = TXDRScanFormatTIFVariant<skARWTIF>;
using TXDRScanFormatSRF = TXDRScanFormatTIFVariant<skSRF>;
using TXDRScanFormatSR2 = TXDRScanFormatTIFVariant<skSR2>;
using TXDRScanFormatRAW = TXDRScanFormatTIFVariant<skRAW>;
// Panasonic raw files also read the sensor size, preview and raw-offset tags.
using TXDRScanFormatRW2 = TXDRScanFormatTIFVariant<skRW2>;

}  // namespace kova
