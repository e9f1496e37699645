#include "imaging/heif_thumbnail.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <string>

#include "imaging/decode_stop.h"
#include "imaging/jpeg_thumbnail.h"

namespace kova {

namespace {

// Larger pictures are refused before they are decoded: 2^26 pixels (a 48-megapixel photo has
// fewer), 192 MiB of decoded colours. Damaged or hostile files name any size.
constexpr int64_t kMostPixels = int64_t{1} << 26;
// The library's own bound on either side of a picture.
constexpr int kMostSide = 16384;

struct TXContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct TXHandleFree {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct TXImageFree {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct TXOptionsFree {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

using TXContext = std::unique_ptr<heif_context, TXContextFree>;
using TXHandle = std::unique_ptr<heif_image_handle, TXHandleFree>;
using TXDecoded = std::unique_ptr<heif_image, TXImageFree>;
using TXOptions = std::unique_ptr<heif_decoding_options, TXOptionsFree>;

void Check(const heif_error& error) {
  if (error.code == heif_error_Ok) return;
  throw EXInvalidGraphic(std::string("HEIF: ") + (error.message ? error.message : "unreadable"));
}

void CheckStop() {
  if (DecodeStopRequested()) throw EXInvalidGraphic("the decoding was stopped");
}

// The library's decoders are registered once for the process, which keeps them.
void InitialiseLibrary() {
  static const heif_error initialised = heif_init(nullptr);
  Check(initialised);
}

TXContext OpenContext(std::span<const uint8_t> bytes) {
  TXContext context(heif_context_alloc());
  if (!context) throw EXInvalidGraphic("HEIF: out of memory");
  heif_context_set_maximum_image_size_limit(context.get(), kMostSide);
  // Tiles are decoded on the calling thread: the scan runs several decodes side by side already.
  heif_context_set_max_decoding_threads(context.get(), 0);
  Check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr));
  return context;
}

TXSize SizeOf(const heif_image_handle& handle) {
  return {heif_image_handle_get_width(&handle), heif_image_handle_get_height(&handle)};
}

// The decoded picture as 8-bit colours, alpha left out as JPEG thumbnails have none.
void DecodeInto(const heif_image_handle& handle, TXBitmap32& picture) {
  const TXSize size = SizeOf(handle);
  if (size.Width <= 0 || size.Height <= 0 || int64_t{size.Width} * size.Height > kMostPixels)
    throw EXInvalidGraphic("HEIF: the picture's size is out of range");
  CheckStop();
  TXOptions options(heif_decoding_options_alloc());
  if (!options) throw EXInvalidGraphic("HEIF: out of memory");
  options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  Check(heif_decode_image(&handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          options.get()));
  TXDecoded hold(decoded);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(decoded, heif_channel_interleaved);
  const int height = heif_image_get_height(decoded, heif_channel_interleaved);
  if (!plane || width <= 0 || height <= 0 || stride < width * 3 ||
      heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) != 8)
    throw EXInvalidGraphic("HEIF: the decoded picture has no 8-bit colours");
  // The coded stream names its own size; a file whose stream is larger than the size it declares
  // would get past the bound above.
  if (width > size.Width || height > size.Height)
    throw EXInvalidGraphic("HEIF: the decoded picture is larger than the file says");
  picture.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = plane + static_cast<ptrdiff_t>(y) * stride;
    TXColor* row = picture.Scanline(y);
    for (int x = 0; x < width; ++x, source += 3)
      row[x] = MakeColor(source[0], source[1], source[2]);
  }
}

// The primary picture's first thumbnail when it is no smaller than the picture fitted into the
// box; nullptr otherwise.
TXHandle ThumbnailFor(const heif_image_handle& primary, TXSize box) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_thumbnail_IDs(&primary, &id, 1) < 1) return nullptr;
  heif_image_handle* found = nullptr;
  if (heif_image_handle_get_thumbnail(&primary, id, &found).code != heif_error_Ok) return nullptr;
  TXHandle thumbnail(found);
  const TXSize whole = SizeOf(primary);
  const TXSize fitted = FitSize(whole.Width, whole.Height, box.Width, box.Height);
  const TXSize own = SizeOf(*thumbnail);
  if (std::max(own.Width, own.Height) < std::max(fitted.Width, fitted.Height)) return nullptr;
  return thumbnail;
}

// Decodes the thumbnail for the box; false when there is none to use or it does not decode.
bool DecodeThumbnailItem(const heif_image_handle& primary, TXSize box, TXBitmap32& picture) {
  TXHandle thumbnail = ThumbnailFor(primary, box);
  if (!thumbnail) return false;
  try {
    DecodeInto(*thumbnail, picture);
    return true;
  } catch (const EXInvalidGraphic&) {
    CheckStop();
    return false;
  }
}

}  // namespace

bool DecodeHeifThumbnail(TXStream& stream, TXSize box, TXSize& pictureSize, TXImageObject& image) {
  return MakeFittedThumbnail(box, pictureSize, image, [&](TXBitmap32& picture, TXSize& size) {
    InitialiseLibrary();
    std::vector<uint8_t> buffer;
    const std::span<const uint8_t> bytes = RemainingBytes(stream, buffer);
    if (bytes.empty()) throw EXInvalidGraphic("no HEIF data");
    CheckStop();
    TXContext context = OpenContext(bytes);
    heif_image_handle* found = nullptr;
    Check(heif_context_get_primary_image_handle(context.get(), &found));
    TXHandle primary(found);
    if (!DecodeThumbnailItem(*primary, box, picture)) DecodeInto(*primary, picture);
    size = SizeOf(*primary);
    return true;
  });
}

}  // namespace kova
