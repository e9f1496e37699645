#pragma once

#include "recovery/formats/movie_format.h"

namespace kova {

// RIFF AVI videos: the first RIFF chunk, whose size field gives the file's length as far as the
// chunks inside it are sound.
class TXDRScanFormatAVI : public TXDRScanFormatMovie {
 public:
  TXDRScanFormatAVI();

 protected:
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
};

}  // namespace kova
