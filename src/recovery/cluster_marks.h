#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kova {

// One mark per cluster number, for bounding walks over damaged volumes: a cluster met twice
// means a loop. ClearMarked forgets only what was marked, so a chain of a few clusters costs a
// few steps however large the volume.
class TXClusterMarks {
 public:
  void Resize(int64_t clusters) {
    bits_.assign(static_cast<size_t>((clusters + 63) / 64), 0);
    marked_.clear();
  }
  // Marks the cluster; false when it was marked already or lies outside the range.
  bool Mark(uint32_t cluster) {
    size_t word = cluster / 64;
    uint64_t bit = uint64_t{1} << (cluster % 64);
    if (word >= bits_.size() || (bits_[word] & bit)) return false;
    bits_[word] |= bit;
    marked_.push_back(cluster);
    return true;
  }
  bool IsMarked(uint32_t cluster) const {
    size_t word = cluster / 64;
    return word < bits_.size() && (bits_[word] >> (cluster % 64) & 1);
  }
  void ClearMarked() {
    for (uint32_t cluster : marked_)
      bits_[cluster / 64] &= ~(uint64_t{1} << (cluster % 64));
    marked_.clear();
  }

 private:
  std::vector<uint64_t> bits_;
  std::vector<uint32_t> marked_;
};

}  // namespace kova
