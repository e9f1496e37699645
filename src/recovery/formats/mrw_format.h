#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

// Minolta raw pictures: a header block ("\0MRM" and its length) holding the picture description,
// followed by the raw samples, whose size follows from the sensor size and the sample size.
class TXDRScanFormatMRW : public TXDRScanFormat {
 public:
  TXDRScanFormatMRW();

 protected:
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
};

}  // namespace kova
