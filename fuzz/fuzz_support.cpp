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

void Fail(const std::string& what) {
  std::fprintf(stderr, "kova fuzz: %s\n", what.c_str());
  std::abort();
}

}  // namespace kova::fuzz
