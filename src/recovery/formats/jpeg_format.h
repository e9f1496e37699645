#pragma once

#include "recovery/formats/scan_format.h"
#include "recovery/formats/tiff_walk.h"

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
  // With an EXIF thumbnail chosen, decodes that instead and reports the picture's size.
  bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image) override;
  // Checking the file (Recognise) then also looks at its EXIF thumbnail.
  void PreferEmbeddedThumbnail(TXSize box) override { embeddedBox_ = box; }

  // The position of the first byte after the start-of-scan segment of the JPEG at `start`, or -1.
  // The segments before it are stepped over whole, and the first must be an application
  // segment (or the start of scan itself). May throw EXMeasureAbort.
  int64_t FindScanStart(TXSearch& search, int64_t start);

 protected:
  // The last byte of the picture's end-of-image marker, or of the last further picture.
  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
  bool Recognise(TXSearch& search, int64_t start) override;
  // Up to the end of the chosen EXIF thumbnail, else the whole file.
  int64_t ThumbnailSourceSize(int64_t fileSize) const override;

 private:
  // Chooses the EXIF thumbnail of the JPEG at `start` when it makes a thumbnail of the size that
  // the picture (whose size it then notes in Dimensions) would make.
  void ChooseEmbedded(TXSearch& search, int64_t start);

  // Where the TIFF structure of the EXIF segment met by the last FindScanStart begins (-1 for
  // none), and the size its frame header gives (0 x 0 for none).
  int64_t exifAt_ = -1;
  TXSize frame_;
  TXSize embeddedBox_;       // the box a thumbnail of the EXIF block may serve; 0 x 0: none
  TXPicturePlace embedded_;  // the chosen EXIF thumbnail, from the file's start; offset 0: none
};

}  // namespace kova
