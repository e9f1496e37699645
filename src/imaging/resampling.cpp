#include "imaging/resampling.h"

#include <array>
#include <cmath>

#include "imaging/data_maps.h"
#include "imaging/weight_maps.h"

namespace kova {

namespace {

using Accumulator = std::array<float, 4>;  // blue, green, red, alpha

uint8_t ToByte(float value) {
  float rounded = std::nearbyint(value);
  return static_cast<uint8_t>(std::clamp(rounded, 0.0f, 255.0f));
}

TXRGBAColor Finish(const Accumulator& sum, uint8_t lastAlpha, bool filterAlpha) {
  return {ToByte(sum[0]), ToByte(sum[1]), ToByte(sum[2]), filterAlpha ? ToByte(sum[3]) : lastAlpha};
}

void Add(Accumulator& sum, float weight, const TXRGBAColor& pixel) {
  sum[0] += weight * static_cast<float>(pixel.Blue);
  sum[1] += weight * static_cast<float>(pixel.Green);
  sum[2] += weight * static_cast<float>(pixel.Red);
  sum[3] += weight * static_cast<float>(pixel.Alpha);
}

const TXRGBAColor* PixelsOf(const TXBitmap32& bitmap, int32_t y) {
  return reinterpret_cast<const TXRGBAColor*>(bitmap.Scanline(y));
}

// Rows: source W x H into an intermediate w x H.
void FilterRows(const TXBitmap32& source, TXRGBAMap& rows, const TXPixWeightMap& map,
                bool filterAlpha) {
  for (int32_t y = 0; y < rows.Height(); ++y) {
    const TXRGBAColor* in = PixelsOf(source, y);
    TXRGBAColor* out = rows.Row(y);
    for (int32_t x = 0; x < rows.Width(); ++x) {
      Accumulator sum{};
      uint8_t lastAlpha = 0;
      for (int32_t t = 0; t < map.Count(x); ++t) {
        const TXPixWeight& tap = map.At(x, t);
        Add(sum, tap.Weight, in[tap.Index]);
        lastAlpha = in[tap.Index].Alpha;
      }
      out[x] = Finish(sum, lastAlpha, filterAlpha);
    }
  }
}

// Columns: the intermediate w x H into the target w x h, a whole target row at a time.
void FilterColumns(const TXRGBAMap& rows, TXBitmap32& target, const TXPixWeightMap& map,
                   bool filterAlpha) {
  const int32_t width = rows.Width();
  std::vector<Accumulator> sums(static_cast<size_t>(width));
  for (int32_t y = 0; y < target.Height(); ++y) {
    std::fill(sums.begin(), sums.end(), Accumulator{});
    const TXRGBAColor* last = nullptr;
    for (int32_t t = 0; t < map.Count(y); ++t) {
      const TXPixWeight& tap = map.At(y, t);
      last = rows.Row(tap.Index);
      for (int32_t x = 0; x < width; ++x)
        Add(sums[static_cast<size_t>(x)], tap.Weight, last[x]);
    }
    auto* out = reinterpret_cast<TXRGBAColor*>(target.Scanline(y));
    for (int32_t x = 0; x < width; ++x) {
      out[x] = Finish(sums[static_cast<size_t>(x)], last ? last[x].Alpha : 0, filterAlpha);
    }
  }
}

void TwoPass(const TXBitmap32& source, TXBitmap32& target, TXSize size,
             const TXFilterKernel& kernel, bool filterAlpha) {
  TXCanvasLock holdTarget(target.Canvas());
  target.SetSize(size.Width, size.Height);
  if (std::min({source.Width(), source.Height(), size.Width, size.Height}) <= 3) {
    target.Canvas().StretchPixels(TXRect::FromSize(0, 0, size.Width, size.Height), source, false);
    return;
  }
  TXRGBAMap rows;
  rows.SetSize({size.Width, source.Height()});
  TXWeightMapRef columnsMap = TXWeightMapCache::Instance().Get(kernel, size.Width, source.Width());
  FilterRows(source, rows, *columnsMap->GetContent(), filterAlpha);
  TXWeightMapRef rowsMap = TXWeightMapCache::Instance().Get(kernel, size.Height, source.Height());
  FilterColumns(rows, target, *rowsMap->GetContent(), filterAlpha);
}

}  // namespace

void ResampleBitmap(const TXBitmap32& source, TXBitmap32& target, TXSize size,
                    const TXFilterKernel& kernel) {
  if (&source == &target) {
    TXBitmap32 copy;
    copy.Assign(source);
    ResampleBitmap(copy, target, size, kernel);
    return;
  }
  TwoPass(source, target, size, kernel, false);
  target.SetAlphaFormat(source.AlphaFormat());
}

void ResamplePng(const TXPngImage& source, TXPngImage& target, TXSize size,
                 const TXFilterKernel& kernel) {
  TXBitmap32 scaled;
  TwoPass(source.Pixels(), scaled, size, kernel, true);
  scaled.SetAlphaFormat(TXAlphaFormat::afDefined);
  target.Reset(0, 0, true).Swap(scaled);
}

}  // namespace kova
