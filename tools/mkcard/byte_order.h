#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// Appending and patching integers of either byte order in byte buffers, as the on-disk formats
// written here (FAT, TIFF, RIFF, QuickTime) need.
namespace kova::mkcard {

using Bytes = std::vector<uint8_t>;

inline void PutLE(uint8_t* at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i)
    at[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline void PutBE(uint8_t* at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i)
    at[i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}
inline uint64_t GetLE(const uint8_t* at, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | at[i];
  return value;
}
inline uint64_t GetBE(const uint8_t* at, int width) {
  uint64_t value = 0;
  for (int i = 0; i < width; ++i)
    value = (value << 8) | at[i];
  return value;
}

inline void AppendLE(Bytes& out, uint64_t value, int width) {
  out.resize(out.size() + width);
  PutLE(out.data() + out.size() - width, value, width);
}
inline void AppendBE(Bytes& out, uint64_t value, int width) {
  out.resize(out.size() + width);
  PutBE(out.data() + out.size() - width, value, width);
}
inline void AppendText(Bytes& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}
inline void AppendBytes(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}
// Copies `text` into a fixed field of `width` bytes, padded with `pad`.
inline void PutField(uint8_t* at, std::string_view text, size_t width, uint8_t pad = ' ') {
  std::memset(at, pad, width);
  std::memcpy(at, text.data(), text.size() < width ? text.size() : width);
}

}  // namespace kova::mkcard
