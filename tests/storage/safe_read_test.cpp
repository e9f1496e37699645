#include "storage/safe_read.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/error_data.h"
#include "storage/buf_stream.h"
#include "support/flaky_stream.h"
#include "support/test_files.h"

namespace kova {
namespace {

class SafeReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearThreadError();
    ThreadError().RaiseMasks = {};
  }
  TXMemoryStream stream_{test::NoiseBytes(100, 9)};
};

TEST_F(SafeReadTest, RefusesPositionsOutsideTheStream) {
  uint8_t byte = 0xEE;
  std::vector<uint8_t> buffer(4, 0xEE);
  EXPECT_FALSE(SafeSeek(stream_, 100));
  EXPECT_FALSE(SafeSeek(stream_, -1));
  EXPECT_TRUE(SafeSeek(stream_, 99));
  EXPECT_FALSE(SafeReadByteAt(stream_, 100, byte));
  EXPECT_FALSE(SafeReadByteAt(stream_, -3, byte));
  EXPECT_FALSE(SafeReadAt(stream_, buffer.data(), 4, 100));
  EXPECT_EQ(byte, 0xEE);
  EXPECT_EQ(buffer[0], 0xEE) << "a refused read reads nothing";
  stream_.SetPosition(100);
  EXPECT_FALSE(SafeReadByte(stream_, byte));
}

TEST_F(SafeReadTest, ReadsInsideTheStream) {
  uint8_t byte = 0;
  ASSERT_TRUE(SafeReadByteAt(stream_, 42, byte));
  EXPECT_EQ(byte, stream_.Bytes()[42]);
  EXPECT_EQ(stream_.Position(), 43);
  ASSERT_TRUE(SafeReadByte(stream_, byte));
  EXPECT_EQ(byte, stream_.Bytes()[43]);
  std::vector<uint8_t> buffer(4);
  ASSERT_TRUE(SafeReadAt(stream_, buffer.data(), 4, 10));
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), stream_.Bytes().begin() + 10));
  EXPECT_EQ(stream_.Position(), 14);
}

TEST_F(SafeReadTest, SafeReadRefusesAReadEndingExactlyAtTheEnd) {
  std::vector<uint8_t> buffer(4, 0xEE);
  stream_.SetPosition(96);
  EXPECT_FALSE(SafeRead(stream_, buffer.data(), 4));
  EXPECT_EQ(buffer[0], 0xEE);
  stream_.SetPosition(95);
  EXPECT_TRUE(SafeRead(stream_, buffer.data(), 4));
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), stream_.Bytes().begin() + 95));
}

TEST_F(SafeReadTest, AReadRunningPastTheEndGivesAZeroedBuffer) {
  std::vector<uint8_t> buffer(8, 0xEE);
  EXPECT_TRUE(SafeReadAt(stream_, buffer.data(), 8, 96));
  EXPECT_EQ(buffer, std::vector<uint8_t>(8, 0));
  EXPECT_EQ(ThreadError().Code, kErrRead);
}

TEST_F(SafeReadTest, ReadFailuresBecomeZerosUnlessThePolicyRaises) {
  test::FlakyStream flaky(test::NoiseBytes(100, 9));
  flaky.FailRange(50, 1);
  uint8_t byte = 0xEE;
  EXPECT_TRUE(SafeReadByteAt(flaky, 50, byte));
  EXPECT_EQ(byte, 0);
  std::vector<uint8_t> buffer(10, 0xEE);
  EXPECT_TRUE(SafeReadAt(flaky, buffer.data(), 10, 45));
  EXPECT_EQ(buffer, std::vector<uint8_t>(10, 0));
  EXPECT_EQ(ThreadError().Code, kErrRead);

  ThreadError().RaiseMasks[kErrRead / 32] = 1u << (kErrRead % 32);
  EXPECT_THROW(SafeReadByteAt(flaky, 50, byte), EXError);
}

TEST_F(SafeReadTest, AVanishedDeviceIsNeverAbsorbed) {
  test::FlakyStream flaky(test::NoiseBytes(100, 9), kErrNotReady);
  flaky.FailRange(0, 100);
  uint8_t byte = 0;
  try {
    SafeReadByteAt(flaky, 5, byte);
    FAIL() << "code 11 must reach the caller";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrNotReady);
  }
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
}

TEST_F(SafeReadTest, ABufferedWindowThatFailedReadsAsZerosByteAfterByte) {
  auto* inner = new test::FlakyStream(test::NoiseBytes(4096, 3));
  inner->FailRange(1024, 1);
  TXCustomBufStream stream(inner, 1024, true);
  std::vector<uint8_t> got;
  for (int64_t pos = 1020; pos < 1030; ++pos) {
    uint8_t byte = 0xEE;
    ASSERT_TRUE(SafeReadByteAt(stream, pos, byte));
    got.push_back(byte);
  }
  std::vector<uint8_t> expected(inner->Bytes().begin() + 1020, inner->Bytes().begin() + 1024);
  expected.resize(10, 0);
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace kova
