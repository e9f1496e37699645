#pragma once

#include <cstdint>
#include <vector>

#include "byte_order.h"
#include "card_manifest.h"
#include "sparse_image.h"

namespace kova::mkcard {

uint32_t Crc32Of(const uint8_t* data, uint64_t count);
inline uint32_t Crc32Of(const Bytes& bytes) {
  return Crc32Of(bytes.data(), bytes.size());
}

// The card as it will be saved, for the manifest: bytes past a truncation are gone.
class MediumBytes {
 public:
  MediumBytes(const SparseImage& image, uint64_t end) : image_(image), end_(end) {}

  uint64_t End() const { return end_; }
  // Bytes past the end are left out.
  Bytes Read(uint64_t offset, uint64_t count) const;
  uint32_t Crc(const std::vector<Extent>& extents) const;
  bool Holds(const std::vector<Extent>& extents) const;

 private:
  const SparseImage& image_;
  uint64_t end_;
};

}  // namespace kova::mkcard
