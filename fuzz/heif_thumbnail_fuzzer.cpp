// A fuzzed HEIF picture through the HEIF thumbnail decoder: the first byte chooses the box (bit 0
// the preview's instead of the thumbnail's), the rest is the file.
#include "framework/error_data.h"
#include "fuzz_support.h"
#include "imaging/heif_thumbnail.h"
#include "imaging/jpeg_thumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kova;
  if (size < 2) return 0;
  const TXSize box = data[0] & 1 ? kPreviewBox : kThumbnailBox;
  TXMemoryStream file(fuzz::Bytes(data + 1, size - 1));
  TXSize picture;
  TXImageObject image;
  const bool made = DecodeHeifThumbnail(file, box, picture, image);
  if (image.Width() > box.Width || image.Height() > box.Height)
    fuzz::Fail("thumbnail larger than its box");
  if (!made && !image.IsEmpty()) fuzz::Fail("a failed decode left a picture");
  ClearThreadError();
  return 0;
}
