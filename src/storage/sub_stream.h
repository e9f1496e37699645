#pragma once

#include <cstdint>

#include "storage/byte_window.h"
#include "storage/stream_wrapper.h"

namespace kova {

// A read-only window of an inner stream: Size bytes from Start. It keeps its own position and
// places the inner stream before every read, so others may share the inner stream. Over an inner
// stream that shows its bytes in place, it shows them too, cut at its own end.
class TXCustomSubStream : public TXStreamWrapper, public IXByteWindow {
 public:
  TXCustomSubStream(TXStream* inner, int64_t start, int64_t size, bool owns);

  int64_t Read(void* buffer, int64_t count) override;
  // Refused: records code 45 and answers 0.
  int64_t Write(const void* buffer, int64_t count) override;
  // The seek rule of every stream (SeekWithin): from the end at Size + offset, the offset 0 or
  // negative; positions are clamped to [0, Size].
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return size_; }
  // The window's length, cut so that it does not pass the end of the inner stream.
  void SetSize(int64_t size) override;

  std::span<const uint8_t> WindowAt(int64_t position) override;

  int64_t Start() const { return start_; }

 private:
  int64_t start_;
  int64_t size_ = 0;
  int64_t position_ = 0;
  uint8_t byte_ = 0;
};

class TXSubStream : public TXCustomSubStream {
 public:
  using TXCustomSubStream::TXCustomSubStream;
};

}  // namespace kova
