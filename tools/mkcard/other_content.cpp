#include <algorithm>
#include <fstream>
#include <iterator>

#include "content.h"
#include "landscape.h"
#include "seeded_random.h"
#include "tiff_builder.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kStripBytesTarget = 8192;
constexpr uintmax_t kLargestCopy = uintmax_t{1} << 32;

std::string LowerExtension(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension.empty() ? "data" : extension;
}

}  // namespace

Status MakeTiffPicture(const TiffOptions& options, Content* content) {
  if (options.width < 1 || options.height < 1 || options.width > 8192 || options.height > 8192) {
    return Status::Failure("TIFF size must be 1x1 to 8192x8192");
  }
  const RgbPicture picture = PaintLandscape(options.width, options.height, options.seed);
  const uint32_t row_bytes = static_cast<uint32_t>(options.width) * 3;
  const uint32_t rows_per_strip = std::max<uint32_t>(1, kStripBytesTarget / row_bytes);
  std::vector<uint32_t> offsets;
  std::vector<uint32_t> counts;
  for (uint32_t row = 0; row < static_cast<uint32_t>(options.height); row += rows_per_strip) {
    offsets.push_back(row * row_bytes);
    counts.push_back(std::min<uint32_t>(rows_per_strip, options.height - row) * row_bytes);
  }
  TiffBuilder tiff(options.big_endian);
  const int ifd = tiff.AddIfd();
  const int pixels = tiff.AddBlob(picture.pixels);
  tiff.AddLongs(ifd, 256, {static_cast<uint32_t>(options.width)});
  tiff.AddLongs(ifd, 257, {static_cast<uint32_t>(options.height)});
  tiff.AddShorts(ifd, 258, {8, 8, 8});
  tiff.AddShorts(ifd, 259, {1});  // uncompressed
  tiff.AddShorts(ifd, 262, {2});  // RGB
  tiff.AddAscii(ifd, 271, "Velmora");
  tiff.AddAscii(ifd, 272, "Kova Fixture Scanner");
  tiff.AddBlobOffsets(ifd, 273, pixels, offsets);
  tiff.AddShorts(ifd, 277, {3});
  tiff.AddLongs(ifd, 278, {rows_per_strip});
  tiff.AddLongs(ifd, 279, counts);
  tiff.AddRational(ifd, 282, 300, 1);
  tiff.AddRational(ifd, 283, 300, 1);
  tiff.AddShorts(ifd, 284, {1});
  tiff.AddShorts(ifd, 296, {2});
  *content = Content{tiff.Build(), "tif", options.width, options.height};
  return {};
}

Status CopyExistingFile(const std::filesystem::path& path, Content* content) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return Status::Failure("cannot read " + path.string() + ": " + error.message());
  if (size >= kLargestCopy) return Status::Failure(path.string() + " is too large for a FAT file");
  std::ifstream in(path, std::ios::binary);
  Content out{Bytes(size), LowerExtension(path)};
  if (!in.read(reinterpret_cast<char*>(out.bytes.data()), static_cast<std::streamsize>(size))) {
    return Status::Failure("cannot read " + path.string());
  }
  *content = std::move(out);
  return {};
}

Content MakeText(std::string_view text) {
  return Content{Bytes(text.begin(), text.end()), "text"};
}

Content MakeData(uint64_t size, uint64_t seed, int fill) {
  Content out{Bytes(size), "data"};
  if (fill >= 0) {
    std::fill(out.bytes.begin(), out.bytes.end(), static_cast<uint8_t>(fill));
    return out;
  }
  SeededRandom random(seed);
  for (uint64_t i = 0; i < size; i += 8) {
    const uint64_t word = random.Next();
    for (uint64_t k = 0; k < 8 && i + k < size; ++k)
      out.bytes[i + k] = static_cast<uint8_t>(word >> (8 * k));
  }
  return out;
}

}  // namespace kova::mkcard
