#include "medium_bytes.h"

#include <zlib.h>

#include <algorithm>

namespace kova::mkcard {

uint32_t Crc32Of(const uint8_t* data, uint64_t count) {
  uLong crc = crc32(0, Z_NULL, 0);
  while (count > 0) {
    const uInt part = static_cast<uInt>(std::min<uint64_t>(count, 1u << 30));
    crc = crc32(crc, data, part);
    data += part;
    count -= part;
  }
  return static_cast<uint32_t>(crc);
}

Bytes MediumBytes::Read(uint64_t offset, uint64_t count) const {
  if (offset >= end_) return {};
  return image_.Read(offset, std::min(count, end_ - offset));
}

uint32_t MediumBytes::Crc(const std::vector<Extent>& extents) const {
  uLong crc = crc32(0, Z_NULL, 0);
  for (const Extent& e : extents) {
    const Bytes bytes = Read(e.offset, e.size);
    crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
  }
  return static_cast<uint32_t>(crc);
}

bool MediumBytes::Holds(const std::vector<Extent>& extents) const {
  return std::all_of(extents.begin(), extents.end(),
                     [this](const Extent& e) { return e.offset + e.size <= end_; });
}

}  // namespace kova::mkcard
