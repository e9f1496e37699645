#include "picture_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

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

void BitmapOf(const TXImageObject& image, TXBitmap32& bitmap) {
  bitmap.SetSize(0, 0);
  std::unique_ptr<TXGraphic> graphic = image.Decode();
  if (!graphic) return;
  TXCanvasLock hold(bitmap.Canvas());
  bitmap.SetSize(graphic->Width(), graphic->Height());
  bitmap.Canvas().Draw(0, 0, *graphic);
}

int ColourDistance(TXColor a, TXColor b) {
  return std::max({std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)),
                   std::abs(BlueOf(a) - BlueOf(b))});
}

double MeanColourDifference(const TXImageObject& a, const TXImageObject& b) {
  TXBitmap32 first;
  TXBitmap32 second;
  BitmapOf(a, first);
  BitmapOf(b, second);
  if (first.Width() != second.Width() || first.Height() != second.Height() ||
      first.Pixels().empty())
    return 255;
  double sum = 0;
  for (size_t i = 0; i < first.Pixels().size(); ++i) {
    const TXColor x = first.Pixels()[i];
    const TXColor y = second.Pixels()[i];
    sum += std::abs(RedOf(x) - RedOf(y)) + std::abs(GreenOf(x) - GreenOf(y)) +
           std::abs(BlueOf(x) - BlueOf(y));
  }
  return sum / (3.0 * static_cast<double>(first.Pixels().size()));
}

}  // namespace kova::test
