#pragma once

#include <cstdint>

#include "framework/stream.h"

namespace kova {

// A stream that forwards to an inner stream, which it frees when it owns it. A read or write
// result of -1 is reported as 0.
class TXStreamWrapper : public TXStream {
 public:
  TXStreamWrapper(TXStream* inner, bool owns) : inner_(inner), owns_(owns) {}
  ~TXStreamWrapper() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t size) override;

  TXStream* Inner() const { return inner_; }
  bool Owns() const { return owns_; }

 protected:
  // Refuses a write: records code 45 (not raised) and answers 0. The streams of the medium layer
  // use it, as nothing there ever writes to a source.
  static int64_t RefuseWrite();

 private:
  TXStream* inner_;
  bool owns_;
};

}  // namespace kova
