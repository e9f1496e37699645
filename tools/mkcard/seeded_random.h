#pragma once

#include <cstdint>
#include <string_view>

namespace kova::mkcard {

// A small deterministic generator (SplitMix64): the same seed gives the same sequence on every
// machine and compiler, unlike the standard distributions.
class SeededRandom {
 public:
  explicit SeededRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [low, high).
  double Between(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }

 private:
  uint64_t state_;
};

// A stable 64-bit hash of a text (FNV-1a), for seeds derived from names.
inline uint64_t HashText(std::string_view text) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (char c : text)
    hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
  return hash;
}

}  // namespace kova::mkcard
