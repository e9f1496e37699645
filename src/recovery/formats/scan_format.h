#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string_view>

#include "framework/managed_object.h"
#include "framework/stream.h"
#include "imaging/geometry.h"
#include "imaging/image_object.h"
#include "recovery/blocks.h"
#include "recovery/formats/scan_kinds.h"
#include "recovery/search.h"

namespace kova {

// The format kinds, numbered by their place in KOVA_SCAN_KINDS.
enum TXDRScanKind : uint8_t {
#define KOVA_SCAN_KIND(name) sk##name,
  KOVA_SCAN_KINDS(KOVA_SCAN_KIND)
#undef KOVA_SCAN_KIND
};
#define KOVA_SCAN_KIND(name) +1
inline constexpr int32_t kScanKindCount = 0 KOVA_SCAN_KINDS(KOVA_SCAN_KIND);
#undef KOVA_SCAN_KIND

// Bit k stands for format kind k.
using TXDRScanKindSet = uint32_t;
static_assert(kScanKindCount <= std::numeric_limits<TXDRScanKindSet>::digits,
              "every kind needs its bit in TXDRScanKindSet");

class TXDRScanFormat;

// Largest sizes that declarations share (MostBytes), what cameras and computers write in practice.
// Photos: 100-megapixel photos at the best quality stay well below it.
inline constexpr int64_t kMostPhotoBytes = int64_t{128} << 20;
// Raw files: uncompressed raws of medium-format backs reach a few hundred megabytes.
inline constexpr int64_t kMostRawBytes = int64_t{512} << 20;
// Videos: cameras start a new file at 4 GiB, the most a FAT32 file holds.
inline constexpr int64_t kMostVideoBytes = int64_t{4096} << 20;

// What a kind is beyond its measurement, as bits of TXDRScanFormatDeclaration::Flags.
enum TXDRScanFlag : uint32_t {
  // Files of the kind cannot hold pictures of their own (previews, frames) to be found inside
  // them: the search goes on after such a file's end.
  sfHoldsNoPictures = 1,
};

// A start pattern as a format declares it: the bytes compared, after `Lead` bytes of any value.
struct TXDRStartPattern {
  int32_t Lead;
  std::span<const uint8_t> Bytes;
};

// What the file of a format declares of each kind it measures, next to its code; the registry
// makes the format table, the start patterns and the size limits from these declarations.
struct TXDRScanFormatDeclaration {
  std::string_view Ext;
  // The bytes a file of the kind may start with, in the order the search tries them.
  std::span<const TXDRStartPattern> StartPatterns;
  // A file found by its content whose structure names a larger size (a damaged or hostile
  // header, or an end that lies in other data) is cut there rather than taken to the end of the
  // medium.
  int64_t MostBytes;
  uint32_t Flags;
  std::unique_ptr<TXDRScanFormat> (*Create)();
};

#define KOVA_SCAN_KIND(name) extern const TXDRScanFormatDeclaration k##name##Declaration;
KOVA_SCAN_KINDS(KOVA_SCAN_KIND)
#undef KOVA_SCAN_KIND

template <class Format>
std::unique_ptr<TXDRScanFormat> MakeFormat() {
  return std::make_unique<Format>();
}

// What a format is at class level, as the registry made it from the kind's declaration: its
// kind, name, extension, start patterns, largest size, flags and how to make one. Formats are
// made per measurement.
struct TXDRScanFormatClass {
  uint8_t Kind;
  std::string_view Name;
  std::string_view Ext;
  TXGridPatternList StartPatterns;
  int64_t MostBytes;
  uint32_t Flags;
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
  // False for files of a kind declared to hold no pictures of their own (sfHoldsNoPictures).
  bool MayHoldPictures() const;
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

 private:
  bool MakePicture(TXSize box, TXSize& size, TXImageObject& image, const TXBlocks& blocks,
                   TXStream& stream);

  const TXDRScanFormatClass& formatClass_;
};

}  // namespace kova
