#include "support/flaky_stream.h"

#include "framework/error_data.h"

namespace kova::test {

int64_t FlakyStream::Read(void* buffer, int64_t count) {
  ++reads_;
  int64_t from = Position();
  int64_t to = from + count;
  for (const Range& range : ranges_) {
    if (from < range.start + range.size && to > range.start) {
      RaiseThreadError(failCode_, 5, "injected read failure");
    }
  }
  return TXMemoryStream::Read(buffer, count);
}

}  // namespace kova::test
