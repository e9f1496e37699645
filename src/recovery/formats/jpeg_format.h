#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

// JPEG pictures: a start-of-image marker, application segments, the start of scan and, after the
// entropy-coded data, the end-of-image marker.
class TXDRScanFormatJPG : public TXDRScanFormat {
 public:
  TXDRScanFormatJPG();

  bool CanMakeThumbnail() const override { return true; }
  // Decodes the picture from the stream's start (one eighth of its size for a small box when
  // that is still large enough) and reports its full size.
  bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image) override;

  // The position of the first byte after the start-of-scan segment of the JPEG at `start`, or -1.
  // The segments before it are stepped over whole, and the first must be an application
  // segment (or the start of scan itself). Notes the EXIF segment among them.
  int64_t FindScanStart(TXSearch& search, int64_t start);

 protected:
  // The end-of-image marker's last byte, searched from the start of scan on.
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
  bool Recognise(TXSearch& search, int64_t start) override;

 private:
  // Where the TIFF structure of the EXIF segment met by the last FindScanStart begins; -1 for
  // none.
  int64_t exifAt_ = -1;
};

}  // namespace kova
