#include "imaging/resampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <thread>

#include "imaging/object_cache.h"
#include "imaging/weight_maps.h"
#include "picture_files.h"

namespace kova {
namespace {

double ColumnSum(const TXPixWeightMap& map, int32_t x) {
  double sum = 0;
  for (int32_t t = 0; t < map.Count(x); ++t)
    sum += map.At(x, t).Weight;
  return sum;
}

TEST(FilterKernelTest, LanczosValuesAndRadiusRules) {
  TXLanczosKernel kernel;
  EXPECT_EQ(kernel.Radius(), 3.0f);
  EXPECT_EQ(kernel.Evaluate(0), 1.0);
  EXPECT_EQ(kernel.Evaluate(3), 0.0);
  EXPECT_EQ(kernel.Evaluate(-3), 0.0);
  EXPECT_NEAR(kernel.Evaluate(0.5f), 0.6079, 1e-4);
  EXPECT_EQ(kernel.Evaluate(0.5f), kernel.Evaluate(-0.5f));
  EXPECT_EQ(kernel.Evaluate(1.0f), static_cast<double>(static_cast<float>(kernel.Evaluate(1.0f))))
      << "values are 32-bit floats";

  kernel.SetRadius(10);
  EXPECT_EQ(kernel.Radius(), 4.0f);
  kernel.SetRadius(0);
  EXPECT_EQ(kernel.Radius(), 1.0f);
  kernel.SetRadius(-2);
  EXPECT_EQ(kernel.Radius(), -2.0f);
  ASSERT_TRUE(SetPropText(kernel, "Radius", "2.5"));
  TXLanczosKernel copy;
  ASSERT_TRUE(copy.Assign(kernel));
  EXPECT_EQ(copy.Radius(), 2.5f);
  copy.Clear();
  EXPECT_EQ(copy.Radius(), 3.0f);
}

TEST(WeightMapTest, ReducingFourHundredToSeventyTwoUsesThirtyFourTaps) {
  TXPixWeightMap map;
  BuildWeightMap(map, 72, 400, DefaultLanczosKernel());
  EXPECT_EQ(map.Width(), 72);
  EXPECT_EQ(map.Height(), 34);
  for (int32_t x = 0; x < 72; ++x) {
    EXPECT_LE(map.Count(x), map.Height());
    EXPECT_NEAR(ColumnSum(map, x), 1.0, 1e-5) << x;
  }
}

TEST(WeightMapTest, EqualLengthsReproduceTheSource) {
  TXPixWeightMap map;
  BuildWeightMap(map, 50, 50, DefaultLanczosKernel());
  for (int32_t x = 0; x < 50; ++x) {
    std::map<int32_t, double> byIndex;
    for (int32_t t = 0; t < map.Count(x); ++t)
      byIndex[map.At(x, t).Index] += map.At(x, t).Weight;
    EXPECT_GT(map.Count(x), 1) << "the tiny weights at whole distances are kept";
    for (const auto& [index, weight] : byIndex) {
      EXPECT_NEAR(weight, index == x ? 1.0 : 0.0, 1e-6) << x << " from " << index;
    }
  }
}

TEST(WeightMapTest, EveryTapLiesInsideTheSourceWhateverTheLengths) {
  const std::vector<int32_t> lengths = {2, 3, 4, 5, 7, 16, 33, 100, 401};
  for (float radius : {1.0f, 3.0f, 4.0f}) {
    TXLanczosKernel kernel(radius);
    for (int32_t n : lengths) {
      for (int32_t m : lengths) {
        TXPixWeightMap map;
        BuildWeightMap(map, n, m, kernel);
        ASSERT_EQ(map.Width(), n);
        for (int32_t x = 0; x < n; ++x) {
          ASSERT_GT(map.Count(x), 0);
          ASSERT_LE(map.Count(x), map.Height());
          for (int32_t t = 0; t < map.Count(x); ++t) {
            ASSERT_GE(map.At(x, t).Index, 0) << n << " from " << m;
            ASSERT_LT(map.At(x, t).Index, m) << n << " from " << m;
          }
          EXPECT_NEAR(ColumnSum(map, x), 1.0, 1e-4) << n << " from " << m;
        }
      }
    }
  }
  TXPixWeightMap empty;
  BuildWeightMap(empty, 1, 100, DefaultLanczosKernel());
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(ResampleTest, GradientsKeepTheirValuesAndFlatColoursStayFlat) {
  TXBitmap32 gradient;
  test::FillGradient(gradient, 200, 20);
  for (int32_t width : {57, 200, 413}) {
    TXBitmap32 scaled;
    ResampleBitmap(gradient, scaled, {width, 9}, DefaultLanczosKernel());
    ASSERT_EQ(scaled.Size(), (TXSize{width, 9}));
    for (int32_t x = 0; x < width; ++x) {
      // Corner-aligned: output x sits at source x * 199 / (width - 1).
      double expected = x * 255.0 / (width - 1);
      EXPECT_NEAR(RedOf(scaled.Pixel(x, 4)), expected, 2.0) << width << " at " << x;
      EXPECT_EQ(BlueOf(scaled.Pixel(x, 4)), 64);
    }
  }
  TXBitmap32 flat(31, 17);
  flat.Canvas().FillRect({0, 0, 31, 17}, MakeColor(10, 128, 250));
  TXBitmap32 scaled;
  ResampleBitmap(flat, scaled, {90, 5}, DefaultLanczosKernel());
  for (TXColor c : scaled.Pixels())
    ASSERT_EQ(c, MakeColor(10, 128, 250));
}

TEST(ResampleTest, BitmapsTakeAlphaFromTheLastTapWhilePngsFilterIt) {
  TXPngImage striped;
  TXBitmap32& pixels = striped.Reset(40, 40, true);
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 40; ++x)
      pixels.SetPixel(x, y, MakeColor(200, 100, 50, x / 4 % 2 ? 255 : 0));
  }
  TXBitmap32 bitmap;
  ResampleBitmap(pixels, bitmap, {17, 13}, DefaultLanczosKernel());
  EXPECT_EQ(bitmap.AlphaFormat(), TXAlphaFormat::afDefined);
  std::set<int> bitmapAlphas;
  for (TXColor c : bitmap.Pixels())
    bitmapAlphas.insert(AlphaOf(c));
  EXPECT_EQ(bitmapAlphas, (std::set<int>{0, 255}));

  TXPngImage png;
  ResamplePng(striped, png, {17, 13}, DefaultLanczosKernel());
  EXPECT_TRUE(png.HasTransparency());
  std::set<int> pngAlphas;
  for (TXColor c : png.Pixels().Pixels())
    pngAlphas.insert(AlphaOf(c));
  EXPECT_GT(pngAlphas.size(), 2u) << "alpha is filtered like the colours";
}

TEST(ResampleTest, TinyPicturesAreStretchedPlainly) {
  TXBitmap32 tiny(3, 3);
  for (int32_t i = 0; i < 9; ++i)
    tiny.SetPixel(i % 3, i / 3, MakeColor(static_cast<uint8_t>(i * 20), 0, 0));
  TXBitmap32 scaled;
  ResampleBitmap(tiny, scaled, {9, 9}, DefaultLanczosKernel());
  EXPECT_EQ(scaled.Pixel(4, 4), tiny.Pixel(1, 1));
  EXPECT_EQ(scaled.Pixel(8, 0), tiny.Pixel(2, 0));

  TXBitmap32 source;
  test::FillGradient(source, 50, 50);
  ResampleBitmap(source, scaled, {3, 50}, DefaultLanczosKernel());
  EXPECT_EQ(scaled.Size(), (TXSize{3, 50}));
  // Plain reduction averages the 16 source columns each target column covers.
  EXPECT_NEAR(RedOf(scaled.Pixel(0, 10)), 7.5 * 255 / 49, 1.0);
  EXPECT_EQ(GreenOf(scaled.Pixel(0, 10)), GreenOf(source.Pixel(0, 10)));
}

// A cache whose clock only moves when the factory says a build took that long.
struct CostedCache {
  int64_t clock = 0;
  std::map<int, int64_t> costs;
  int builds = 0;
  TXObjectCache<int, int> cache{6, TXCacheLTEComparer(),
                                [this](void*, const int& key) {
                                  clock += costs[key];
                                  ++builds;
                                  return key * 100;
                                },
                                nullptr, [this] { return clock; }};
  std::set<int> Keys() const {
    std::set<int> keys;
    for (const auto& entry : cache.Entries())
      keys.insert(entry.First);
    return keys;
  }
};

TEST(ObjectCacheTest, AFullCacheKeepsItsCostliestEntries) {
  CostedCache c;
  for (int key = 1; key <= 6; ++key) {
    c.costs[key] = key * 10;
    EXPECT_EQ(c.cache.GetContent(key), key * 100);
  }
  EXPECT_EQ(c.cache.GetContent(3), 300);
  EXPECT_EQ(c.builds, 6) << "a hit does not build";

  c.costs[7] = 5;
  EXPECT_EQ(c.cache.GetContent(7), 700);
  EXPECT_EQ(c.Keys(), (std::set<int>{1, 2, 3, 4, 5, 6})) << "cheaper than everything kept";

  c.costs[8] = 15;
  EXPECT_EQ(c.cache.GetContent(8), 800);
  EXPECT_EQ(c.Keys(), (std::set<int>{2, 3, 4, 5, 6, 8})) << "the cheapest entry makes room";

  for (const auto& entry : c.cache.Entries()) {
    EXPECT_EQ(entry.Algorithm.CreationCost, c.costs[entry.First]);
    EXPECT_EQ(entry.Algorithm.HitCount, entry.First == 3 ? 2u : 1u);
  }

  c.cache.SetCapacity(3);
  EXPECT_EQ(c.Keys(), (std::set<int>{4, 5, 6}));
  c.cache.SetCapacity(0);
  for (int key = 20; key < 40; ++key)
    c.cache.GetContent(key);
  EXPECT_EQ(c.cache.Count(), 23) << "no capacity, no limit";
}

TEST(WeightMapCacheTest, ThreadsResamplingAtOnceGetTheSameResults) {
  TXBitmap32 source;
  test::FillGradient(source, 123, 77);
  const std::vector<TXSize> sizes = {{40, 30},  {60, 20}, {200, 150}, {17, 90},
                                     {123, 10}, {33, 33}, {90, 91},   {5, 70}};
  std::vector<TXBitmap32> expected(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    ResampleBitmap(source, expected[i], sizes[i], DefaultLanczosKernel());
  }
  std::atomic<int> mismatches{0};
  auto work = [&](size_t offset) {
    for (int round = 0; round < 10; ++round) {
      for (size_t i = 0; i < sizes.size(); ++i) {
        size_t k = (i + offset) % sizes.size();
        TXBitmap32 scaled;
        ResampleBitmap(source, scaled, sizes[k], DefaultLanczosKernel());
        if (!std::equal(scaled.Pixels().begin(), scaled.Pixels().end(),
                        expected[k].Pixels().begin())) {
          ++mismatches;
        }
      }
    }
  };
  std::thread a(work, 0);
  std::thread b(work, 3);
  a.join();
  b.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_LE(TXWeightMapCache::Instance().Count(), 6);

  TXLanczosKernel narrow(2.0f);
  TXWeightMapRef wide = TXWeightMapCache::Instance().Get(DefaultLanczosKernel(), 72, 400);
  TXWeightMapRef slim = TXWeightMapCache::Instance().Get(narrow, 72, 400);
  EXPECT_EQ(wide->GetContent()->Height(), 34) << "a map stays alive while it is held";
  EXPECT_EQ(slim->GetContent()->Height(), 23) << "maps of another kernel are built anew";
}

}  // namespace
}  // namespace kova
