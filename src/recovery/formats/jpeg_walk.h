#pragma once

#include <cstdint>

#include "imaging/geometry.h"
#include "recovery/formats/format_reader.h"

namespace kova {

// Where the parts of a JPEG stream lie, as positions of the search's source.
struct TXJpegLayout {
  int64_t ScanStart = -1;   // the first byte after the first start-of-scan header
  int64_t ExifAt = -1;      // the TIFF header of the Exif segment
  int64_t MpfAt = -1;       // the TIFF header of the multi-picture index
  int64_t PictureEnd = -1;  // the last byte of the end-of-image marker after the last scan
  TXSize Frame;             // width and height of the frame header before the first scan
};

// What a JPEG stream may open with. A file opens with an application segment (JFIF, Exif) or
// its scan; a picture embedded in another (an Exif thumbnail) often opens with its tables.
enum class TXJpegOpening { joApplicationSegment, joAnySegment };

// Walks a JPEG stream by its structure, the way a decoder reads it: the segments before the
// first scan stepped over whole (an Exif thumbnail inside them is no end), then the scans. Inside
// a scan only stuffed bytes and restart markers, in their order, may follow an 0xFF; between
// scans only the segments a decoder accepts there. Any other marker (a new start of image, a
// frame header) means the picture's data was cut off and something else follows: such a stream
// has no end. Walks are bounded by a budget of segments and scans and by the largest JPEG, so
// that no hostile stream costs more than a real one.
class TXJpegWalk {
 public:
  explicit TXJpegWalk(TXSearch& search) : reader_(search) {}

  // The segments from the start of image at `start` up to the first scan. The first segment must
  // be what `opening` allows. False for anything else.
  bool ReadHeaders(int64_t start, TXJpegLayout& layout,
                   TXJpegOpening opening = TXJpegOpening::joApplicationSegment);
  // The end-of-image marker after the last scan of the headers read, or -1.
  int64_t FindPictureEnd(int64_t start, const TXJpegLayout& layout);
  // The last byte of the whole file: the picture's end, or that of the last further picture the
  // multi-picture index names where each lies whole after it (a camera's large preview).
  int64_t FindFileEnd(int64_t start, const TXJpegLayout& layout);

 private:
  struct TXMarker {
    uint8_t Code = 0;
    int64_t At = -1;  // the 0xFF before the code, fill bytes passed over
  };
  // The marker at `pos`: fill bytes, then a code that is neither 0x00 nor 0xFF; nothing else.
  bool ReadMarker(int64_t pos, TXMarker& marker);
  // The position after the segment whose marker is at `at`; -1 when its length is impossible.
  int64_t SegmentEnd(int64_t at);
  // The width and height of the frame header whose body starts at `body`.
  void ReadFrameSize(int64_t body, TXSize& frame);
  // The end of the further picture at `at` the index names, or -1 when none lies whole there.
  int64_t FurtherPictureEnd(int64_t at);
  // Where the multi-picture index whose TIFF header is at `base` lists its pictures.
  struct TXPictureIndex {
    int64_t Table = -1;  // 16 bytes a picture: attributes, size, offset, two dependents
    uint32_t Pictures = 0;
    bool BigEndian = false;
  };
  bool ReadIndex(int64_t base, TXPictureIndex& index);

  TXFormatReader reader_;
};

}  // namespace kova
