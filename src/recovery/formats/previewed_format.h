#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

// Formats whose thumbnail is a JPEG picture stored inside the file, as raw files carry their
// previews. The measurement finds the picture.
class TXDRScanFormatPreviewed : public TXDRScanFormat {
 public:
  using TXDRScanFormat::TXDRScanFormat;

  // Offset from the file's start of the embedded JPEG used as thumbnail; 0 for none.
  int64_t PreviewOffset = 0;
  // Its length when the file gives it; 0 when unknown.
  int64_t PreviewLength = 0;

  bool CanMakeThumbnail() const override { return true; }
  // Decodes the embedded JPEG at PreviewOffset for the box; the size stays 0 x 0, as the
  // embedded picture's size is not the file's.
  bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image) override;

 protected:
  // The bytes up to the end of the embedded picture when its length is known.
  int64_t ThumbnailSourceSize(int64_t fileSize) const override;
  void ClearPreview() {
    PreviewOffset = 0;
    PreviewLength = 0;
  }
};

}  // namespace kova
