#include "support/tiff_image.h"

#include <algorithm>
#include <stdexcept>

namespace kova::test {

TXTiffImage::TXTiffImage(bool bigEndian, uint32_t size, uint32_t firstDirectory)
    : TXTiffImage(bigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4), size,
                  firstDirectory) {}

TXTiffImage::TXTiffImage(const std::string& magic, uint32_t size, uint32_t firstDirectory)
    : bigEndian_(magic[0] == 'M'), data_(size, 0) {
  Bytes(0, {magic.begin(), magic.end()});
  U32(4, firstDirectory);
}

void TXTiffImage::Directory(uint32_t at, const std::vector<TXTiffEntrySpec>& entries,
                            uint32_t next) {
  U16(at, static_cast<uint16_t>(entries.size()));
  uint32_t pos = at + 2;
  for (const TXTiffEntrySpec& entry : entries) {
    U16(pos, entry.Tag);
    U16(pos + 2, entry.Type);
    U32(pos + 4, entry.Count);
    bool shortValue = entry.Type == ttShort && entry.Count == 1;
    if (shortValue) {
      U16(pos + 8, static_cast<uint16_t>(entry.Value));
    } else {
      U32(pos + 8, entry.Value);
    }
    pos += 12;
  }
  U32(pos, next);
}

void TXTiffImage::Text(uint32_t at, const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  Bytes(at, bytes);
}

void TXTiffImage::Longs(uint32_t at, const std::vector<uint32_t>& values) {
  for (size_t i = 0; i < values.size(); ++i)
    U32(at + static_cast<uint32_t>(4 * i), values[i]);
}

void TXTiffImage::Bytes(uint32_t at, const std::vector<uint8_t>& bytes) {
  if (at + bytes.size() > data_.size()) throw std::out_of_range("TIFF test image too small");
  std::ranges::copy(bytes, data_.begin() + at);
}

void TXTiffImage::U16(uint32_t at, uint16_t value) {
  uint8_t hi = static_cast<uint8_t>(value >> 8), lo = static_cast<uint8_t>(value);
  Bytes(at, bigEndian_ ? std::vector<uint8_t>{hi, lo} : std::vector<uint8_t>{lo, hi});
}

void TXTiffImage::U32(uint32_t at, uint32_t value) {
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                static_cast<uint8_t>(value >> 16),
                                static_cast<uint8_t>(value >> 24)};
  if (bigEndian_) std::ranges::reverse(bytes);
  Bytes(at, bytes);
}

}  // namespace kova::test
