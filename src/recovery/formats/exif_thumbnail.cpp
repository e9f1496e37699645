#include "recovery/formats/exif_thumbnail.h"

#include <exception>

#include "framework/error_data.h"
#include "recovery/formats/format_reader.h"

namespace kova {

TXPicturePlace ExifThumbnailAt(TXFormatReader& reader, int64_t start) {
  const TXErrorData before = ThreadError();
  try {
    TXTiffFacts facts;
    TXTiffWalk walk(reader, start, false);
    if (walk.WalkChain(facts) && facts.Jpeg.Offset > 0 && facts.Jpeg.Length > 0 &&
        reader.Inside(start + facts.Jpeg.Offset, facts.Jpeg.Length)) {
      return facts.Jpeg;
    }
  } catch (const EXMeasureAbort&) {
  } catch (const std::exception&) {
  }
  ThreadError() = before;
  return {};
}

}  // namespace kova
