#include "landscape.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "seeded_random.h"

namespace kova::mkcard {

namespace {

struct Colour {
  double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, double f) {
  return {c.r * f, c.g * f, c.b * f};
}

struct Palette {
  Colour sky_top, sky_horizon, sun, far_ridge, near_ridge, ground, tree;
};

// Morning, midday, evening and a blue hour.
constexpr std::array<Palette, 4> kPalettes = {{
    {{70, 120, 200},
     {250, 200, 160},
     {255, 240, 200},
     {140, 130, 170},
     {70, 90, 80},
     {90, 140, 70},
     {30, 60, 35}},
    {{40, 110, 215},
     {170, 215, 245},
     {255, 255, 235},
     {120, 150, 190},
     {60, 110, 70},
     {110, 165, 60},
     {25, 75, 35}},
    {{60, 40, 110},
     {250, 140, 70},
     {255, 210, 120},
     {120, 70, 110},
     {60, 40, 60},
     {110, 80, 50},
     {35, 25, 30}},
    {{15, 25, 70},
     {90, 110, 170},
     {235, 235, 250},
     {50, 60, 100},
     {25, 35, 55},
     {40, 60, 60},
     {15, 20, 30}},
}};

struct Ridge {
  double base, amplitude;
  std::array<double, 3> frequency, phase;
  double Height(double x) const {
    double wave = 0;
    for (int k = 0; k < 3; ++k)
      wave += std::sin(x * frequency[k] + phase[k]) / (k + 1);
    return base - amplitude * (0.6 + 0.4 * wave);
  }
};

struct Tree {
  double x, top, base, spread;
};

struct Scene {
  Palette palette;
  double horizon, sun_x, sun_y, sun_radius;
  std::array<Ridge, 3> ridges;
  bool lake;
  std::vector<Tree> trees;
  double moment;
};

Scene DrawScene(uint64_t seed, double moment) {
  SeededRandom random(seed);
  Scene s;
  s.palette = kPalettes[random.Next() % kPalettes.size()];
  s.horizon = random.Between(0.55, 0.68);
  s.sun_x = random.Between(0.2, 0.8) + 0.15 * moment;
  s.sun_y = s.horizon - random.Between(0.12, 0.32) + 0.05 * moment;
  s.sun_radius = random.Between(0.04, 0.07);
  for (int k = 0; k < 3; ++k) {
    Ridge& ridge = s.ridges[k];
    ridge.base = s.horizon + 0.04 * k;
    ridge.amplitude = random.Between(0.10, 0.22) - 0.04 * k;
    for (int f = 0; f < 3; ++f) {
      ridge.frequency[f] = random.Between(2.0, 5.0) * (f + 1);
      ridge.phase[f] = random.Between(0.0, 6.2832);
    }
  }
  s.lake = random.Next() % 2 == 0;
  const int tree_count = 3 + static_cast<int>(random.Next() % 5);
  for (int t = 0; t < tree_count; ++t) {
    const double x = random.Between(0.02, 0.98);
    const double base = s.ridges[2].Height(x) + random.Between(0.02, s.lake ? 0.03 : 0.25);
    s.trees.push_back({x, base - random.Between(0.08, 0.2), base, random.Between(0.25, 0.4)});
  }
  s.moment = moment;
  return s;
}

Colour SkyAt(const Scene& s, double x, double y, double aspect) {
  Colour sky = Mix(s.palette.sky_top, s.palette.sky_horizon, std::pow(y / s.horizon, 1.6));
  const double dx = (x - s.sun_x) * aspect;
  const double dy = y - s.sun_y;
  const double distance = std::sqrt(dx * dx + dy * dy);
  if (distance < s.sun_radius) return s.palette.sun;
  if (distance > 12 * s.sun_radius) return sky;  // the glow has faded below one level
  return Mix(sky, s.palette.sun,
             0.55 * std::exp(-(distance - s.sun_radius) / (2.5 * s.sun_radius)));
}

using RidgeHeights = std::array<double, 3>;

Colour GroundAt(const Scene& s, const RidgeHeights& heights, double x, double y, double aspect) {
  for (int k = 2; k >= 0; --k) {
    if (y < heights[k]) continue;
    if (k == 2) {
      const double depth = (y - heights[2]) / (1.0 - s.ridges[2].base + 0.2);
      return Mix(s.palette.ground, Scale(s.palette.ground, 0.55), depth);
    }
    const Colour ridge = Mix(s.palette.far_ridge, s.palette.near_ridge, k / 2.0);
    const double haze = 0.35 * (1.0 - k / 2.0);
    return Mix(Mix(ridge, s.palette.sky_horizon, haze), Scale(ridge, 0.8), (y - heights[k]) * 4);
  }
  return SkyAt(s, x, y, aspect);
}

const Tree* TreeAt(const Scene& s, double x, double y, double aspect) {
  for (const Tree& tree : s.trees) {
    const double half = (y - tree.top) * tree.spread / aspect;
    if (y >= tree.top && y <= tree.base && std::abs(x - tree.x) <= half) return &tree;
  }
  return nullptr;
}

Colour LakeAt(const Scene& s, double x, double y, double aspect) {
  const double lake_top = s.ridges[2].base + 0.02;
  const double mirrored = std::max(0.0, 2 * lake_top - y - 0.12);
  const double ripple = 0.06 * std::sin(y * 180.0 + s.moment * 12.0 + x * 6.0);
  Colour reflected = SkyAt(s, x + ripple * 0.05, std::min(mirrored, s.horizon - 0.001), aspect);
  return Mix(Scale(reflected, 0.8), {30, 60, 90}, 0.25 + (y - lake_top) * 0.8);
}

uint8_t Channel(double value, double dither) {
  return static_cast<uint8_t>(std::clamp(value + dither, 0.0, 255.0));
}

}  // namespace

RgbPicture PaintLandscape(int width, int height, uint64_t seed, double moment) {
  const Scene scene = DrawScene(seed, moment);
  const double aspect = static_cast<double>(width) / height;
  const double lake_top = scene.ridges[2].base + 0.02;
  RgbPicture picture{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
  std::vector<RidgeHeights> heights(width);
  for (int column = 0; column < width; ++column) {
    const double x = (column + 0.5) / width;
    for (int k = 0; k < 3; ++k)
      heights[column][k] = scene.ridges[k].Height(x);
  }
  uint8_t* out = picture.pixels.data();
  for (int row = 0; row < height; ++row) {
    const double y = (row + 0.5) / height;
    for (int column = 0; column < width; ++column) {
      const double x = (column + 0.5) / width;
      Colour c;
      if (const Tree* tree = TreeAt(scene, x, y, aspect)) {
        c = Scale(scene.palette.tree, 0.85 + 0.3 * (y - tree->top) / (tree->base - tree->top));
      } else if (scene.lake && y > lake_top && y > heights[column][2] && y < 0.93) {
        c = LakeAt(scene, x, y, aspect);
      } else {
        c = GroundAt(scene, heights[column], x, y, aspect);
      }
      // An ordered dither keeps the gradients free of bands.
      const double dither = ((row * 5 + column * 3) % 7) / 7.0 - 0.5;
      *out++ = Channel(c.r, dither);
      *out++ = Channel(c.g, dither);
      *out++ = Channel(c.b, dither);
    }
  }
  return picture;
}

}  // namespace kova::mkcard
