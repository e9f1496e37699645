#pragma once

#include <cstdint>
#include <vector>

namespace kova::mkcard {

// An 8-bit RGB picture, rows top to bottom.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3
};

// Paints a landscape (sky, sun, mountain ridges, a lake or a meadow, a few trees) chosen by
// `seed`. `moment` in [0, 1] moves the sun and the water's ripples, for the frames of a video.
// Pictures with the same arguments are identical.
RgbPicture PaintLandscape(int width, int height, uint64_t seed, double moment = 0.0);

}  // namespace kova::mkcard
