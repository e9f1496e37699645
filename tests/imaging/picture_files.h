#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/bitmap32.h"
#include "imaging/image_object.h"

// Helpers of the imaging tests: whole files, pictures made with other tools, and small pictures
// drawn by hand.
namespace kova::test {

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Runs a shell command; answers its exit status.
int RunCommand(const std::string& command);
// Whether a program is on the PATH.
bool HasProgram(const std::string& name);

// A bitmap whose pixel (x, y) is MakeColor(x * 255 / (w - 1), y * 255 / (h - 1), 64, alpha).
void FillGradient(TXBitmap32& bitmap, int32_t width, int32_t height, uint8_t alpha = 255);

// The picture of an image object as a 32-bit bitmap; empty when it holds none.
void BitmapOf(const TXImageObject& image, TXBitmap32& bitmap);
// The largest difference of red, green or blue between two colours.
int ColourDistance(TXColor a, TXColor b);
// The mean difference per colour channel of two pictures of one size; 255 for different sizes.
double MeanColourDifference(const TXImageObject& a, const TXImageObject& b);

}  // namespace kova::test
