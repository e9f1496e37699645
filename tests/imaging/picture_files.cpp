#include "picture_files.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kova::test {

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

int RunCommand(const std::string& command) {
  return std::system(command.c_str());
}

bool HasProgram(const std::string& name) {
  return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

void FillGradient(TXBitmap32& bitmap, int32_t width, int32_t height, uint8_t alpha) {
  bitmap.SetSize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      bitmap.SetPixel(
          x, y,
          MakeColor(static_cast<uint8_t>(x * 255 / std::max(width - 1, 1)),
                    static_cast<uint8_t>(y * 255 / std::max(height - 1, 1)), 64, alpha));
    }
  }
}

}  // namespace kova::test
