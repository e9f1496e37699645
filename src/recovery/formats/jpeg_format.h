#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

// JPEG pictures: a start-of-image marker, application segments, the scans and the end-of-image
// marker after the last one; with a multi-picture index, the further pictures it names after
// that (TXJpegWalk).
class TXDRScanFormatJPG : public TXDRScanFormat {
 public:
  TXDRScanFormatJPG();

  bool CanMakeThumbnail() const override { return true; }
  // Decodes the picture from the stream's start (one eighth of its size for a small box when
  // that is still large enough) and reports its full size.
  bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image) override;

  // The position of the first byte after the start-of-scan segment of the JPEG at `start`, or -1.
  // The segments before it are stepped over whole, and the first must be an application
  // segment (or the start of scan itself). May throw EXMeasureAbort.
  int64_t FindScanStart(TXSearch& search, int64_t start);

 protected:
  // The last byte of the picture's end-of-image marker, or of the last further picture.
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
  bool Recognise(TXSearch& search, int64_t start) override;
};

}  // namespace kova
