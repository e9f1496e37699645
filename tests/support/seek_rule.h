#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "framework/stream.h"

namespace kova::test {

// Checks the seek rule that every stream follows on a stream of `size` bytes (at least 20): from
// the beginning, from the current position, from the end at size + offset, never before the
// start, past the end only when the stream can grow, and the size untouched.
inline void ExpectTheSeekRule(TXStream& stream, int64_t size, bool grows) {
  const int64_t pastTheEnd = grows ? size + 10 : size;
  EXPECT_EQ(stream.Seek(5, TXSeekOrigin::soBeginning), 5);
  EXPECT_EQ(stream.Seek(3, TXSeekOrigin::soCurrent), 8);
  EXPECT_EQ(stream.Seek(-2, TXSeekOrigin::soCurrent), 6);
  EXPECT_EQ(stream.Position(), 6);
  EXPECT_EQ(stream.Seek(0, TXSeekOrigin::soEnd), size);
  EXPECT_EQ(stream.Seek(-10, TXSeekOrigin::soEnd), size - 10);
  EXPECT_EQ(stream.Seek(10, TXSeekOrigin::soEnd), pastTheEnd);
  EXPECT_EQ(stream.Seek(size + 10, TXSeekOrigin::soBeginning), pastTheEnd);
  EXPECT_EQ(stream.Seek(-(size + 10), TXSeekOrigin::soEnd), 0);
  EXPECT_EQ(stream.Seek(-1, TXSeekOrigin::soBeginning), 0);
  EXPECT_EQ(stream.Seek(-1, TXSeekOrigin::soCurrent), 0);
  EXPECT_EQ(stream.Size(), size);
}

}  // namespace kova::test
