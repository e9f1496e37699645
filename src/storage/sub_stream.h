#pragma once

#include <cstdint>

#include "storage/stream_wrapper.h"

namespace kova {

// A read-only window of an inner stream: Size bytes from Start. It keeps its own position and
// places the inner stream before every read, so others may share the inner stream.
class TXCustomSubStream : public TXStreamWrapper {
 public:
  TXCustomSubStream(TXStream* inner, int64_t start, int64_t size, bool owns);

  int64_t Read(void* buffer, int64_t count) override;
  // Refused: records code 45 and answers 0.
  int64_t Write(const void* buffer, int64_t count) override;
  // Positions are clamped to [0, Size]; from the end the offset counts back whatever its sign.
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return size_; }
  // The window's length, cut so that it does not pass the end of the inner stream.
  void SetSize(int64_t size) override;

  int64_t Start() const { return start_; }

 private:
  int64_t start_;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

class TXSubStream : public TXCustomSubStream {
 public:
  using TXCustomSubStream::TXCustomSubStream;
};

}  // namespace kova
