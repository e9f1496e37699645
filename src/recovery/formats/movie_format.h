#pragma once

#include "imaging/movie_thumbnail.h"
#include "recovery/formats/scan_format.h"

namespace kova {

// Movies whose thumbnail is their first frame, decoded from the movie's beginning.
class TXDRScanFormatMovie : public TXDRScanFormat {
 public:
  TXDRScanFormatMovie(const TXDRScanFormatClass& formatClass, TXMovieContainer container)
      : TXDRScanFormat(formatClass), container_(container) {}

  bool CanMakeThumbnail() const override { return true; }
  bool DecodeThumbnail(TXSize box, TXSize& size, TXStream& stream, TXImageObject& image) override;

 protected:
  // The movie's first kMovieHeadBytes.
  int64_t ThumbnailSourceSize(int64_t fileSize) const override;

 private:
  TXMovieContainer container_;
};

}  // namespace kova
