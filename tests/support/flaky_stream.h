#pragma once

#include <cstdint>
#include <vector>

#include "framework/stream.h"

namespace kova::test {

// A memory stream whose reads fail (record and throw the chosen code) when they touch one of the
// chosen byte ranges, and which counts its reads.
class FlakyStream : public TXMemoryStream {
 public:
  explicit FlakyStream(std::vector<uint8_t> bytes, int32_t failCode = 44)
      : TXMemoryStream(std::move(bytes)), failCode_(failCode) {}

  // Reads touching [start, start + size) fail.
  void FailRange(int64_t start, int64_t size) { ranges_.push_back({start, size}); }
  void SetFailCode(int32_t code) { failCode_ = code; }
  int Reads() const { return reads_; }

  int64_t Read(void* buffer, int64_t count) override;

 private:
  struct Range {
    int64_t start;
    int64_t size;
  };
  std::vector<Range> ranges_;
  int32_t failCode_;
  int reads_ = 0;
};

}  // namespace kova::test
