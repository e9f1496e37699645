#include "imaging/weight_maps.h"

#include <algorithm>
#include <cmath>

namespace kova {

namespace {

int32_t Mirror(int32_t j, int32_t m) {
  int32_t k = j < 0 ? -j : (j < m ? j : 2 * m - 1 - j);
  return std::clamp(k, 0, m - 1);
}

void Normalise(TXPixWeightMap& map, int32_t column, double sum) {
  if (sum == 0.0 || sum == 1.0) return;
  const float factor = static_cast<float>(1.0 / sum);
  for (int32_t row = 0; row < map.Count(column); ++row)
    map.At(column, row).Weight *= factor;
}

}  // namespace

void BuildWeightMap(TXPixWeightMap& map, int32_t n, int32_t m, const TXFilterKernel& kernel) {
  map.Clear();
  if (n < 2 || m < 2) return;
  const float s = static_cast<float>(n - 1) / static_cast<float>(m - 1);
  const float c = 1.0f / s;
  const bool enlarging = s >= 1.0f;
  const float e = enlarging ? kernel.Radius() : kernel.Radius() * c;
  map.SetSize({n, static_cast<int32_t>(2.0f * e + 1.0f)});
  for (int32_t i = 0; i < n; ++i) {
    const float h = static_cast<float>(i) * c;
    const auto first = static_cast<int32_t>(std::floor(h - e));
    const auto last = static_cast<int32_t>(std::ceil(h + e));
    double sum = 0;
    for (int32_t j = first; j <= last; ++j) {
      const float distance = h - static_cast<float>(j);
      const float w = enlarging ? static_cast<float>(kernel.Evaluate(distance))
                                : static_cast<float>(s * kernel.Evaluate(s * distance));
      if (w == 0.0f) continue;
      map.AddTap(i, {Mirror(j, m), w});
      sum += w;
    }
    Normalise(map, i, sum);
  }
}

TXWeightMapCache& TXWeightMapCache::Instance() {
  static TXWeightMapCache cache;
  return cache;
}

TXWeightMapCache::TXWeightMapCache()
    : cache_(6, TXCacheLTEComparer(), [this](void*, const TXSize& key) {
        auto* map = new TXPixWeightMap();
        TXWeightMapRef ref(new TXManagedObjectContainer<TXPixWeightMap>(map, true));
        BuildWeightMap(*map, key.Width, key.Height, *current_);
        return ref;
      }) {}

TXWeightMapRef TXWeightMapCache::Get(const TXFilterKernel& kernel, int32_t destinationLength,
                                     int32_t sourceLength) {
  std::lock_guard hold(mutex_);
  if (kernel.ClassName() != kernelClass_ || kernel.Radius() != kernelRadius_) {
    cache_.Clear();
    kernelClass_ = kernel.ClassName();
    kernelRadius_ = kernel.Radius();
  }
  current_ = &kernel;
  TXWeightMapRef map = cache_.GetContent({destinationLength, sourceLength});
  current_ = nullptr;
  return map;
}

int32_t TXWeightMapCache::Count() {
  std::lock_guard hold(mutex_);
  return cache_.Count();
}

}  // namespace kova
