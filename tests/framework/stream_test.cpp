#include "framework/stream.h"

#include <gtest/gtest.h>

#include "support/seek_rule.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

TEST(StreamSeek, AMemoryStreamFollowsTheSeekRule) {
  TXMemoryStream stream(test::NoiseBytes(100));
  test::ExpectTheSeekRule(stream, 100, true);
}

TEST(StreamSeek, AFileStreamFollowsTheSeekRule) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "file.bin", test::NoiseBytes(100));
  TXFileStream stream((dir / "file.bin").string(), TXFileMode::fmOpenRead);
  test::ExpectTheSeekRule(stream, 100, true);
}

TEST(StreamSeek, AWriteAfterASeekPastTheEndGrowsTheStream) {
  TXMemoryStream stream(test::NoiseBytes(100));
  stream.Seek(10, TXSeekOrigin::soEnd);
  const uint8_t byte = 0x5A;
  stream.WriteBuffer(&byte, 1);
  EXPECT_EQ(stream.Size(), 111);
  EXPECT_EQ(stream.Bytes()[110], 0x5A);
  EXPECT_EQ(stream.Bytes()[105], 0) << "the gap reads as zeros";
}

}  // namespace
}  // namespace kova
