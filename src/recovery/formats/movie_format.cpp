#include "recovery/formats/movie_format.h"

#include <algorithm>

namespace kova {

bool TXDRScanFormatMovie::DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream,
                                          TXImageObject& image) {
  return DecodeMovieThumbnail(stream, container_, box, size, image);
}

int64_t TXDRScanFormatMovie::ThumbnailSourceSize(int64_t fileSize) const {
  return std::min(fileSize, kMovieHeadBytes);
}

}  // namespace kova
