#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

// A bounded cache of values that are expensive to build. On a miss the factory builds the value
// and the time it took becomes the entry's cost; a full cache keeps the new value only when it
// cost at least as much as the entry it would evict, as the algorithm comparer orders them.
namespace kova {

// The bookkeeping of one cache entry.
struct TXCacheAlgorithm {
  uint64_t HitCount = 0;
  int64_t LastAccess = 0;    // tick of the last use
  int64_t CreationCost = 0;  // ticks the factory took
  int64_t Reserved = 0;
};

// Orders entries by creation cost, costliest first: -1 when b cost less than a, 0 when equal, 1
// when b cost more. A sorted cache then ends with its cheapest entry.
struct TXCacheLTEComparer {
  int operator()(const TXCacheAlgorithm& a, const TXCacheAlgorithm& b) const {
    if (b.CreationCost < a.CreationCost) return -1;
    return b.CreationCost == a.CreationCost ? 0 : 1;
  }
};

template <class Key, class Value>
struct TXDoublePair {
  Key First;
  TXCacheAlgorithm Algorithm;
  Value Second;
};

// Nanoseconds of the monotonic clock.
inline int64_t SteadyTicks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Not locked: the owner serialises access.
template <class Key, class Value>
class TXObjectCache {
 public:
  using Entry = TXDoublePair<Key, Value>;
  using AlgorithmComparer = std::function<int(const TXCacheAlgorithm&, const TXCacheAlgorithm&)>;
  using Factory = std::function<Value(void* userData, const Key& key)>;
  using TickSource = std::function<int64_t()>;

  // A capacity of 0 or less means unbounded.
  TXObjectCache(int32_t capacity, AlgorithmComparer comparer, Factory factory,
                void* userData = nullptr, TickSource ticks = SteadyTicks)
      : capacity_(capacity),
        comparer_(std::move(comparer)),
        factory_(std::move(factory)),
        userData_(userData),
        ticks_(std::move(ticks)) {}

  // The value for the key, from the cache or freshly built.
  Value GetContent(const Key& key) {
    for (Entry& entry : entries_) {
      if (entry.First == key) {
        Touch(entry.Algorithm);
        return entry.Second;
      }
    }
    int64_t start = ticks_();
    Value value = factory_(userData_, key);
    TXCacheAlgorithm algorithm;
    algorithm.CreationCost = ticks_() - start;
    Touch(algorithm);
    if (capacity_ <= 0 || Count() != capacity_) {
      entries_.push_back({key, algorithm, value});
      return value;
    }
    SortForExpiry();
    if (comparer_(entries_.back().Algorithm, algorithm) >= 0) {
      entries_.back() = {key, algorithm, value};
    }
    return value;
  }

  int32_t Capacity() const { return capacity_; }
  // Entries beyond a smaller positive capacity are dropped, cheapest first.
  void SetCapacity(int32_t capacity) {
    if (capacity == capacity_) return;
    capacity_ = capacity;
    if (capacity_ > 0 && capacity_ < Count()) {
      SortForExpiry();
      entries_.resize(static_cast<size_t>(capacity_));
      entries_.shrink_to_fit();
    }
  }

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  const std::vector<Entry>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  void Touch(TXCacheAlgorithm& algorithm) {
    ++algorithm.HitCount;
    algorithm.LastAccess = ticks_();
  }

  void SortForExpiry() {
    std::stable_sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
      return comparer_(a.Algorithm, b.Algorithm) < 0;
    });
  }

  int32_t capacity_;
  AlgorithmComparer comparer_;
  Factory factory_;
  void* userData_;
  TickSource ticks_;
  std::vector<Entry> entries_;
};

}  // namespace kova
