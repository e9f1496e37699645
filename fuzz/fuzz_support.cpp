#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kova::fuzz {
namespace {

class ImageFolder {
 public:
  ImageFolder()
      : folder_(std::filesystem::temp_directory_path() /
                ("kova-fuzz-" + std::to_string(::getpid()))),
        image_(folder_ / "card.img") {
    std::filesystem::create_directories(folder_);
  }
  ~ImageFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const std::filesystem::path& Image() const { return image_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path image_;
};

}  // namespace

std::vector<uint8_t> Bytes(const uint8_t* data, size_t size) {
  return std::vector<uint8_t>(data, data + size);
}

std::string Text(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

const std::filesystem::path& WriteImage(const uint8_t* data, size_t size) {
  static ImageFolder folder;
  std::ofstream out(folder.Image(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) Fail("cannot write the image file " + folder.Image().string());
  return folder.Image();
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80         ? 1
                          : (lead >> 5) == 6  ? 2
                          : (lead >> 4) == 14 ? 3
                          : (lead >> 3) == 30 ? 4
                                              : 0;
    if (length == 0 || i + length > text.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "kova fuzz: %s\n", what.c_str());
  std::abort();
}

}  // namespace kova::fuzz
