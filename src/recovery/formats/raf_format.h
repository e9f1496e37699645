#pragma once

#include "recovery/formats/previewed_format.h"

namespace kova {

class TXFormatReader;

// Fujifilm raw files: a "FUJIFILMCCD-RAW " header with the offsets and lengths of the file's
// parts (the JPEG preview, the sensor description, the raw data; a second description and raw
// data right after the first ones for cameras with two sensors). The file ends with its last
// part; the preview is the thumbnail.
class TXDRScanFormatRAF final : public TXDRScanFormatPreviewed {
 public:
  TXDRScanFormatRAF();

 protected:
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;

 private:
  // The end of the part whose offset and length lie at `at` of the header; 0 for none.
  static int64_t PartEnd(TXFormatReader& reader, int64_t start, int64_t at);
};

}  // namespace kova
