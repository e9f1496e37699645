#include "recovery/pieced_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/seek_rule.h"

namespace kova {
namespace {

// A file of 200 bytes, byte n of value n, of which bytes 10 to 19 and 100 to 149 were copied.
class PiecedStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parts_.Add(10, 10);
    parts_.Add(100, 50);
    for (const TXBlock& part : parts_) {
      for (int64_t n = part.Start; n < part.End(); ++n)
        copy_.Bytes().push_back(static_cast<uint8_t>(n));
    }
  }

  // What a read of `count` bytes at `at` gives.
  std::vector<uint8_t> ReadAt(int64_t at, int64_t count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    stream_.SetPosition(at);
    bytes.resize(static_cast<size_t>(stream_.Read(bytes.data(), count)));
    return bytes;
  }

  static std::vector<uint8_t> Run(int from, int to) {
    std::vector<uint8_t> bytes;
    for (int n = from; n < to; ++n)
      bytes.push_back(static_cast<uint8_t>(n));
    return bytes;
  }

  TXMemoryStream copy_;
  TXBlocks parts_;
  TXPiecedStream stream_{copy_, parts_, 200};
};

TEST_F(PiecedStreamTest, ReadsTheCopiedPartsAtTheirPlaces) {
  EXPECT_EQ(ReadAt(10, 10), Run(10, 20));
  EXPECT_EQ(ReadAt(15, 3), Run(15, 18));
  EXPECT_EQ(stream_.Position(), 18);
  EXPECT_EQ(ReadAt(120, 10), Run(120, 130));
}

TEST_F(PiecedStreamTest, AReadEndsWithItsPartAndNothingLiesBetweenParts) {
  EXPECT_EQ(ReadAt(15, 100), Run(15, 20));
  EXPECT_TRUE(ReadAt(0, 10).empty());
  EXPECT_TRUE(ReadAt(20, 10).empty());
  EXPECT_TRUE(ReadAt(99, 10).empty());
  EXPECT_EQ(ReadAt(100, 100), Run(100, 150));
  EXPECT_TRUE(ReadAt(150, 10).empty());
  EXPECT_TRUE(ReadAt(200, 10).empty());
}

TEST_F(PiecedStreamTest, IsAsLargeAsTheFileAndNeverWritten) {
  test::ExpectTheSeekRule(stream_, 200, false);
  const uint8_t byte = 1;
  EXPECT_EQ(stream_.Write(&byte, 1), 0);
  EXPECT_EQ(ReadAt(10, 1), Run(10, 11));
}

// A copy shorter than its parts say (a failed copy) reads as far as it goes.
TEST(PiecedStream, AShortCopyReadsAsFarAsItGoes) {
  TXBlocks parts;
  parts.Add(0, 10);
  parts.Add(50, 10);
  TXMemoryStream copy(std::vector<uint8_t>(14, 7));
  TXPiecedStream stream(copy, parts, 100);
  std::vector<uint8_t> bytes(20);
  stream.SetPosition(50);
  EXPECT_EQ(stream.Read(bytes.data(), 20), 4);
  EXPECT_EQ(stream.Read(bytes.data(), 20), 0);
}

}  // namespace
}  // namespace kova
