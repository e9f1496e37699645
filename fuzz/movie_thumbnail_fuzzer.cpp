// A fuzzed movie through the movie thumbnail decoder: the first byte chooses the container (and,
// with bit 4, the preview's box instead of the thumbnail's), the rest is the movie.
#include "framework/error_data.h"
#include "fuzz_support.h"
#include "imaging/jpeg_thumbnail.h"
#include "imaging/movie_thumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  if (size < 2) return 0;
  const auto container = static_cast<TXMovieContainer>(data[0] % 3);
  const TXSize box = data[0] & 4 ? kPreviewBox : kThumbnailBox;
  TXMemoryStream movie(fuzz::Bytes(data + 1, size - 1));
  TXSize picture;
  TXImageObject image;
  const bool made = DecodeMovieThumbnail(movie, container, box, picture, image);
  if (image.Width() > box.Width || image.Height() > box.Height)
    fuzz::Fail("thumbnail larger than its box");
  if (!made && !image.IsEmpty()) fuzz::Fail("a failed decode left a picture");
  ClearThreadError();
  return 0;
}
