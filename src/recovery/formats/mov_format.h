#pragma once

#include "recovery/formats/scan_format.h"

namespace kova {

class TXFormatReader;
struct TXBox;

// QuickTime and MP4 videos: a sequence of top-level boxes. A file starts with a file-type box of
// a plausible size and brand, or with one of the boxes writers put first ("wide", "free",
// "skip", "mdat", "moov", "uuid", "pnot"); it ends before the first box of a type that is not
// top-level or one that cannot be read. It counts only when it holds a movie box with a movie
// header; one that starts with its movie box must also hold media after it. A file-type box whose
// brands mention "mp4" makes the file an MP4.
class TXDRScanFormatMOV : public TXDRScanFormat {
 public:
  TXDRScanFormatMOV();

 protected:
  explicit TXDRScanFormatMOV(const TXDRScanFormatClass& formatClass)
      : TXDRScanFormat(formatClass) {}

  int64_t MeasureEnd(TXSearch& search, int64_t start) override;

 private:
  // What the walk over the top-level boxes has met.
  struct TXMovieParts {
    bool MovieHeader = false;
    bool Media = false;
  };

  bool StartsAFile(TXFormatReader& reader, const TXBox& first);
  // Notes what the top-level box holds; false when the file ends before it.
  bool TakeBox(TXFormatReader& reader, const TXBox& box, TXMovieParts& parts);
  void TakeBrands(TXFormatReader& reader, const TXBox& fileType);
};

// MP4 videos: the same measurement, made as the MP4 kind.
class TXDRScanFormatMP4 final : public TXDRScanFormatMOV {
 public:
  TXDRScanFormatMP4();
};

}  // namespace kova
