#include "recovery/pieced_stream.h"

#include <algorithm>
#include <cstring>

#include "framework/error_data.h"

namespace kova {

TXPiecedStream::TXPiecedStream(const TXMemoryStream& copy, const TXBlocks& parts, int64_t fileSize)
    : copy_(copy), parts_(parts), fileSize_(fileSize) {}

int64_t TXPiecedStream::Read(void* buffer, int64_t count) {
  int64_t copyStart = 0;
  for (const TXBlock& part : parts_) {
    if (position_ < part.Start) return 0;
    if (position_ < part.End()) {
      const int64_t at = copyStart + position_ - part.Start;
      const int64_t taken =
          std::clamp<int64_t>(std::min(count, part.End() - position_), 0, Held() - at);
      if (taken <= 0) return 0;
      std::memcpy(buffer, copy_.Data() + at, static_cast<size_t>(taken));
      position_ += taken;
      return taken;
    }
    copyStart += part.Size;
  }
  return 0;
}

int64_t TXPiecedStream::Write(const void* /*buffer*/, int64_t /*count*/) {
  SetThreadError(kErrWrite, 0, "the stream reads a copy and is never written");
  return 0;
}

int64_t TXPiecedStream::Seek(int64_t offset, TXSeekOrigin origin) {
  position_ = SeekWithin(offset, origin, position_, fileSize_);
  return position_;
}

}  // namespace kova
