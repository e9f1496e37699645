#pragma once

#include <cstdint>
#include <span>

namespace kova {

// A stream that can show its bytes in place, window by window, so that a search scans memory
// directly instead of asking for one byte at a time.
class IXByteWindow {
 public:
  // The bytes from `position` on, as far as the stream holds them in one piece (at least one byte
  // when the position lies inside the stream); empty for a position outside [0, size). May read
  // the medium and fail exactly as a read at that position would (by throwing). Leaves the
  // stream's position at `position`; the view stays valid until the next call on the stream.
  virtual std::span<const uint8_t> WindowAt(int64_t position) = 0;

 protected:
  ~IXByteWindow() = default;
};

}  // namespace kova
