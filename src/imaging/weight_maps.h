#pragma once

#include <mutex>
#include <string>

#include "framework/managed_object.h"
#include "imaging/content_provider.h"
#include "imaging/data_maps.h"
#include "imaging/filter_kernels.h"
#include "imaging/object_cache.h"

namespace kova {

// Builds the weights that scale m source positions to n destination positions with the kernel,
// corner-aligned (the first and last pixels of both lines coincide). Positions beyond the edges
// are mirrored back into the line; each column's weights are normalised to sum 1. Lines shorter
// than 2 give an empty map.
void BuildWeightMap(TXPixWeightMap& map, int32_t n, int32_t m, const TXFilterKernel& kernel);

using TXWeightMapRef = TXRef<IXContentProvider<TXPixWeightMap>>;

// The process-wide cache of weight maps keyed by (destination length, source length): at most six
// maps, the costliest to rebuild kept. Safe to use from several threads. The maps belong to one
// kernel; asking with a kernel of another class or radius empties the cache first.
class TXWeightMapCache {
 public:
  static TXWeightMapCache& Instance();

  TXWeightMapRef Get(const TXFilterKernel& kernel, int32_t destinationLength, int32_t sourceLength);
  int32_t Count();

 private:
  TXWeightMapCache();

  std::mutex mutex_;
  const TXFilterKernel* current_ = nullptr;  // the kernel of the lookup in progress
  std::string kernelClass_;
  float kernelRadius_ = 0;
  TXObjectCache<TXSize, TXWeightMapRef> cache_;
};

}  // namespace kova
