#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "framework/managed_object.h"
#include "framework/stream.h"
#include "imaging/geometry.h"
#include "imaging/image_object.h"
#include "recovery/blocks.h"
#include "recovery/search.h"

namespace kova {

// The format kinds, in the order of the format table.
enum TXDRScanKind : uint8_t {
  skJPG = 0,
  skTIF = 1,
  skDNG = 2,
  skCR2 = 3,
  skNEF = 4,
  skORF = 5,
  skPEF = 6,
  skARW = 7,
  skARWTIF = 8,
  skSRF = 9,
  skSR2 = 10,
  skRAW = 11,
  skMRW = 12,
  skRW2 = 13,
  skAVI = 14,
  skMOV = 15,
  skMP4 = 16,
  skCR3 = 17,
  skHEIC = 18,
  skRAF = 19,
  skMTS = 20,
};
inline constexpr int32_t kScanKindCount = 21;
inline constexpr int32_t kStartPatternCount = 17;

// Bit n stands for start pattern n.
using TXDRPatternSet = uint32_t;
// Bit k stands for format kind k.
using TXDRScanKindSet = uint32_t;

class TXDRScanFormat;

// What a format is at class level: its kind, name, extension, start patterns and how to make
// one. Formats are made per measurement.
struct TXDRScanFormatClass {
  uint8_t Kind;
  std::string_view Name;
  std::string_view Ext;
  TXDRPatternSet Patterns;
  std::unique_ptr<TXDRScanFormat> (*Create)();
};

// Recognises one kind of file by its structure in a byte stream: checks a candidate start,
// finds the file's last byte, reports the picture size where the structure tells it, and makes
// thumbnails. No operation lets an exception escape.
class TXDRScanFormat : public TXObject {
 public:
  explicit TXDRScanFormat(const TXDRScanFormatClass& formatClass)
      : Kind(formatClass.Kind), formatClass_(formatClass) {}

  // The class the format was made as; Kind may turn into a more specific variant while measuring.
  const TXDRScanFormatClass& FormatClass() const { return formatClass_; }
  uint8_t Kind;
  TXSize Dimensions;  // found while measuring; 0 x 0 when not found
  // When the picture was taken (date-time), from the EXIF data met while measuring; 0 when the
  // file tells none.
  double Taken = 0;

  virtual bool CanMakeThumbnail() const { return false; }
  // False for files that cannot hold pictures of their own (previews, frames) to be found inside
  // them; the search then goes on after such a file's end.
  virtual bool MayHoldPictures() const { return true; }
  // Decodes the picture of the file held in `stream` (the file's bytes from its first) for the
  // box. The base makes nothing and succeeds.
  virtual bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image);

  // The position of the file's last byte when a complete file of this format starts at `start`
  // of the search's source, or -1. A result is only meaningful when greater than `start`.
  int64_t FindEnd(TXSearch& search, int64_t start);
  // True when the bytes at `start` are a file of this format.
  bool Check(TXSearch& search, int64_t start);

  // The extension of the current kind (a TIFF measured as a Nikon file answers ".nef").
  std::string_view GetExtension() const;

  // Checks the file that the extents describe on the stream, filling Dimensions (and for the
  // TIFF family the kind and the thumbnail source).
  bool ValidateItem(TXStream& stream, const TXBlocks& blocks);
  // The thumbnail (72 x 72 box) or preview (600 x 600 box) of the file on the stream. Size and
  // image are cleared first; a format without thumbnails succeeds with nothing. Failures answer
  // false with the reason as the thread's last error.
  bool MakeThumbnail(TXSize& size, TXImageObject& image, const TXBlocks& blocks, TXStream& stream);
  bool MakePreview(TXSize& size, TXImageObject& image, const TXBlocks& blocks, TXStream& stream);

  // The two halves of making a picture, for callers that decode on another thread than the one
  // that reads the medium: how many bytes of the file the picture needs, their copy (false when
  // the copy failed, with the reason as the thread's last error), and the picture decoded from
  // that copy for the box (exceptions absorbed as in MakeThumbnail). Only for a format that
  // CanMakeThumbnail.
  int64_t PictureSourceSize(const TXBlocks& blocks) const;
  bool CopyPictureSource(const TXBlocks& blocks, TXStream& stream, TXMemoryStream& copy);
  bool DecodePicture(TXSize box, TXSize& size, TXMemoryStream& copy, TXImageObject& image);

 protected:
  // The measurement behind FindEnd; may throw.
  virtual int64_t MeasureEnd(TXSearch& search, int64_t start) = 0;
  // The test behind Check: by default a measurement that finds an end.
  virtual bool Recognise(TXSearch& search, int64_t start) { return MeasureEnd(search, start) >= 0; }
  // How many bytes from the file's start DecodeThumbnail needs of a file of the size.
  virtual int64_t ThumbnailSourceSize(int64_t fileSize) const { return fileSize; }
  // The parts of a file of the size that DecodeThumbnail needs, as extents of offsets from the
  // file's first byte, ascending and apart: by default its first ThumbnailSourceSize bytes. When
  // they are more than one first part, DecodeThumbnail reads them at their places in the file
  // through a stream of the file's size that holds nothing elsewhere (a movie's beginning and its
  // index at the end).
  virtual TXBlocks ThumbnailSourceParts(int64_t fileSize) const;

 private:
  bool MakePicture(TXSize box, TXSize& size, TXImageObject& image, const TXBlocks& blocks,
                   TXStream& stream);
  // The parts within the file and the copy's bound.
  TXBlocks PartsToCopy(int64_t fileSize) const;

  const TXDRScanFormatClass& formatClass_;
  // What the last copy holds, and the size of the file it was made from.
  TXBlocks copiedParts_;
  int64_t copiedFileSize_ = 0;
};

}  // namespace kova
