#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

class TXFormatReader;

// QuickTime and MP4 videos: a sequence of top-level boxes ("ftyp", "skip", "mdat", "moov",
// "free", "uuid", "wide"). The file ends before the first box of another type or one that cannot be
// read. A file-type box whose brands mention "mp4" makes the file an MP4.
class TXDRScanFormatMOV : public TXDRScanFormat {
 public:
  TXDRScanFormatMOV();

 protected:
  explicit TXDRScanFormatMOV(const TXDRScanFormatClass& formatClass)
      : TXDRScanFormat(formatClass) {}

  int64_t MeasureEnd(TXSearch& search, int64_t start) override;

 private:
  // The size of the top-level box at pos; 0 when the file ends before it.
  int64_t BoxSize(TXFormatReader& reader, int64_t pos);
  bool BrandsMentionMp4(TXFormatReader& reader, int64_t pos, int64_t count);
};

// MP4 videos: the same measurement, made as the MP4 kind.
class TXDRScanFormatMP4 final : public TXDRScanFormatMOV {
 public:
  TXDRScanFormatMP4();
};

}  // namespace kova
