#pragma once

#include <cstdint>

#include "recovery/formats/tiff_walk.h"

namespace kova {

class TXFormatReader;

// The thumbnail JPEG that the EXIF block of a photo names (the JPEG interchange format of its
// second directory), from the TIFF structure at `start` of the reader's source; its offset is
// relative to `start`. Offset 0 when there is none, its length is not given, or the structure
// cannot be read; the thread's error record stays as it was.
TXPicturePlace ExifThumbnailAt(TXFormatReader& reader, int64_t start);

}  // namespace kova
