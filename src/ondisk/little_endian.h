#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Little-endian fields of on-disk structures (boot sectors, tables, directory entries).
namespace kova {

inline uint16_t LeU16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t LeU32(const uint8_t* at) {
  return LeU16(at) | (uint32_t{LeU16(at + 2)} << 16);
}

inline uint64_t LeU64(const uint8_t* at) {
  return LeU32(at) | (uint64_t{LeU32(at + 4)} << 32);
}

// The field at byte `at` of the bytes; the caller sees to it that the field lies inside them.
inline uint16_t LeU16(std::span<const uint8_t> bytes, size_t at) {
  return LeU16(bytes.data() + at);
}

inline uint32_t LeU32(std::span<const uint8_t> bytes, size_t at) {
  return LeU32(bytes.data() + at);
}

inline uint64_t LeU64(std::span<const uint8_t> bytes, size_t at) {
  return LeU64(bytes.data() + at);
}

}  // namespace kova
