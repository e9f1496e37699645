#pragma once

#include "recovery/formats/previewed_format.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

class TXFormatReader;
struct TXBox;

// QuickTime and MP4 videos and the pictures stored the same way (ISO base media files): a
// sequence of top-level boxes. A file starts with a file-type box of a plausible size and brand,
// or with one of the boxes writers put first ("wide", "free", "skip", "mdat", "moov", "uuid",
// "pnot"); it ends before the first box of a type that is not top-level or one that cannot be
// read. A movie counts only when it holds a movie box with a movie header; one that starts with
// its movie box must also hold media after it. The file-type box decides the kind: a HEIF major
// brand makes a HEIC picture, which counts when its "meta" box locates its items; "crx " a Canon
// CR3 raw file, whose thumbnail is the JPEG of its "THMB" box; brands mentioning "mp4" an MP4.
// A HEIC picture's thumbnail is decoded from the whole file, a movie's from its first frame.
class TXDRScanFormatMOV : public TXDRScanFormatPreviewed {
 public:
  TXDRScanFormatMOV();

  bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image) override;

 protected:
  explicit TXDRScanFormatMOV(const TXDRScanFormatClass& formatClass)
      : TXDRScanFormatPreviewed(formatClass) {}

  int64_t MeasureEnd(TXSearch& search, int64_t start) override;
  // A movie's beginning, its movie box wherever it lies and the beginning of its media.
  TXBlocks ThumbnailSourceParts(int64_t fileSize) const override;

 private:
  // What the walk over the top-level boxes has met.
  struct TXMovieParts {
    bool MovieHeader = false;
    bool Media = false;
    bool ItemLocations = false;
  };

  bool StartsAFile(TXFormatReader& reader, const TXBox& first);
  // Notes what the top-level box holds; false when the file ends before it.
  bool TakeBox(TXFormatReader& reader, const TXBox& box, TXMovieParts& parts);
  void TakeBrands(TXFormatReader& reader, const TXBox& fileType);
  // Finds the JPEG of a CR3 file's thumbnail box, in Canon's box of the movie box.
  void TakeCanonThumbnail(TXFormatReader& reader, const TXBox& movie);

  int64_t start_ = 0;
  // Where the first movie box and the first media lie, from the file's start (none: size 0, -1).
  TXBlock movieBox_;
  int64_t mediaStart_ = -1;
};

// The same measurement, made as another kind of the family.
template <uint8_t KKind>
class TXDRScanFormatMOVVariant final : public TXDRScanFormatMOV {
 public:
  TXDRScanFormatMOVVariant() : TXDRScanFormatMOV(ClassOfKind(KKind)) {}
};

using TXDRScanFormatMP4 = TXDRScanFormatMOVVariant<skMP4>;
using TXDRScanFormatCR3 = TXDRScanFormatMOVVariant<skCR3>;
using TXDRScanFormatHEIC = TXDRScanFormatMOVVariant<skHEIC>;

}  // namespace kova
