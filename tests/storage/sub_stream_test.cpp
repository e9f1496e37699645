#include "storage/sub_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/error_data.h"
#include "support/seek_rule.h"
#include "support/test_files.h"

namespace kova {
namespace {

TEST(SubStreamTest, DeliversTheWholeWindowAndNothingBeyond) {
  TXMemoryStream inner(test::NoiseBytes(200, 4));
  TXSubStream window(&inner, 100, 50, false);
  std::vector<uint8_t> got(100, 0xEE);
  EXPECT_EQ(window.Read(got.data(), 100), 50);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 50, inner.Bytes().begin() + 100));
  EXPECT_EQ(window.Read(got.data(), 1), 0);
}

TEST(SubStreamTest, AWindowPastTheInnerEndIsCut) {
  TXMemoryStream inner(test::NoiseBytes(120, 4));
  TXSubStream window(&inner, 100, 50, false);
  EXPECT_EQ(window.Size(), 20);
  TXSubStream beyond(&inner, 500, 50, false);
  EXPECT_EQ(beyond.Size(), 0);
  TXSubStream negative(&inner, 10, -5, false);
  EXPECT_EQ(negative.Size(), 0);
}

TEST(SubStreamTest, KeepsItsPlaceWhenOthersMoveTheInnerStream) {
  TXMemoryStream inner(test::NoiseBytes(200, 4));
  TXSubStream window(&inner, 100, 50, false);
  EXPECT_EQ(window.Seek(10, TXSeekOrigin::soBeginning), 10);
  inner.SetPosition(3);
  uint8_t byte = 0;
  ASSERT_EQ(window.Read(&byte, 1), 1);
  EXPECT_EQ(byte, inner.Bytes()[110]);
  EXPECT_EQ(window.Position(), 11);
}

TEST(SubStreamTest, SeeksFollowTheSeekRuleWithinTheWindow) {
  TXMemoryStream inner(test::NoiseBytes(200, 4));
  TXSubStream window(&inner, 100, 50, false);
  test::ExpectTheSeekRule(window, 50, false);
}

TEST(SubStreamTest, NeverWritesToTheInnerStream) {
  TXMemoryStream inner(test::NoiseBytes(200, 4));
  auto before = inner.Bytes();
  TXSubStream window(&inner, 100, 50, false);
  uint8_t data[3] = {1, 2, 3};
  EXPECT_EQ(window.Write(data, 3), 0);
  EXPECT_EQ(ThreadError().Code, kErrWrite);
  EXPECT_EQ(inner.Bytes(), before);
  ClearThreadError();
}

}  // namespace
}  // namespace kova
