#include "recovery/block_stream.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "framework/error_data.h"
#include "storage/buf_stream.h"
#include "storage/safe_read.h"
#include "support/seek_rule.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

TXBlocks Made(std::initializer_list<TXBlock> extents) {
  TXBlocks blocks;
  for (const TXBlock& block : extents)
    blocks.Add(block.Start, block.Size);
  return blocks;
}

// The bytes of the medium that the extents cover, in order.
std::vector<uint8_t> Gathered(const std::vector<uint8_t>& medium, const TXBlocks& blocks) {
  std::vector<uint8_t> bytes;
  for (const TXBlock& block : blocks) {
    bytes.insert(bytes.end(), medium.begin() + block.Start, medium.begin() + block.End());
  }
  return bytes;
}

class BlockStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearThreadError();
    medium_ = test::NoiseBytes(3 * kMediumWindowSize, 11);
    path_ = dir_ / "card.img";
    test::WriteFileBytes(path_, medium_);
    stream_ = std::make_unique<TXBufFileStream>(path_.string());
  }

  test::TempDir dir_;
  std::vector<uint8_t> medium_;
  std::filesystem::path path_;
  std::unique_ptr<TXBufFileStream> stream_;
};

TEST_F(BlockStreamTest, PresentsTheExtentsAsOneStream) {
  TXBlocks blocks = Made({{100, 10}, {300, 10}});
  TXBlockStream stream(*stream_, blocks);
  EXPECT_EQ(stream.Size(), 20);
  std::vector<uint8_t> got(30, 0xEE);
  EXPECT_EQ(stream.Read(got.data(), 30), 20);
  got.resize(20);
  EXPECT_EQ(got, Gathered(medium_, blocks));
  EXPECT_EQ(stream.Read(got.data(), 1), 0) << "nothing past the last extent";
}

TEST_F(BlockStreamTest, RandomReadsMatchTheGatheredBytes) {
  TXBlocks blocks = Made({{5, 700}, {262000, 1000}, {263500, 1}, {400000, 200000}, {786000, 400}});
  auto expected = Gathered(medium_, blocks);
  TXBlockStream stream(*stream_, blocks);
  std::mt19937 random(3);
  for (int i = 0; i < 300; ++i) {
    int64_t pos = random() % expected.size();
    int64_t count = random() % 3000;
    std::vector<uint8_t> got(static_cast<size_t>(count));
    ASSERT_EQ(stream.Seek(pos, TXSeekOrigin::soBeginning), pos);
    int64_t n = stream.Read(got.data(), count);
    ASSERT_EQ(n, std::min<int64_t>(count, static_cast<int64_t>(expected.size()) - pos));
    ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, expected.begin() + pos)) << pos;
    ASSERT_EQ(stream.Position(), pos + n);
  }
}

TEST_F(BlockStreamTest, RepositionsTheSharedMediumStreamOnEveryRead) {
  TXBlocks blocks = Made({{1000, 100}});
  TXBlockStream stream(*stream_, blocks);
  uint8_t byte = 0;
  stream.Seek(50, TXSeekOrigin::soBeginning);
  stream_->SetPosition(700000);  // thumbnail copying moves the medium stream meanwhile
  ASSERT_EQ(stream.Read(&byte, 1), 1);
  EXPECT_EQ(byte, medium_[1050]);
  stream_->SetPosition(5);
  ASSERT_EQ(stream.Read(&byte, 1), 1);
  EXPECT_EQ(byte, medium_[1051]);
  stream.Seek(50, TXSeekOrigin::soBeginning);
  stream_->SetPosition(9);
  ASSERT_EQ(stream.Read(&byte, 1), 1);
  EXPECT_EQ(byte, medium_[1050]) << "seeking to the unchanged position still repositions";
}

TEST_F(BlockStreamTest, SeeksFollowTheSeekRuleOverTheExtents) {
  TXBlocks blocks = Made({{100, 10}, {300, 10}});
  TXBlockStream stream(*stream_, blocks);
  test::ExpectTheSeekRule(stream, 20, false);
  uint8_t byte = 0;
  EXPECT_FALSE(SafeReadByteAt(stream, 20, byte));
  ASSERT_TRUE(SafeReadByteAt(stream, 12, byte));
  EXPECT_EQ(byte, medium_[302]);
}

TEST_F(BlockStreamTest, WindowsEndAtExtentAndWindowBoundaries) {
  TXBlocks blocks = Made({{100, 10}, {kMediumWindowSize - 4, 100}});
  TXBlockStream stream(*stream_, blocks);
  auto first = stream.WindowAt(3);
  ASSERT_EQ(first.size(), 7u);
  EXPECT_EQ(first[0], medium_[103]);
  auto second = stream.WindowAt(10);
  ASSERT_EQ(second.size(), 4u) << "the medium's window ends first";
  EXPECT_EQ(second[0], medium_[kMediumWindowSize - 4]);
  auto third = stream.WindowAt(14);
  ASSERT_EQ(third.size(), 96u);
  EXPECT_EQ(third[0], medium_[kMediumWindowSize]);
  EXPECT_TRUE(stream.WindowAt(110).empty());
}

TEST_F(BlockStreamTest, ExtentsPastTheMediumReadNothing) {
  TXBlocks blocks = Made({{static_cast<int64_t>(medium_.size()) - 4, 100}});
  TXBlockStream stream(*stream_, blocks);
  std::vector<uint8_t> got(100);
  EXPECT_EQ(stream.Read(got.data(), 100), 4);
  uint8_t byte = 0xEE;
  EXPECT_TRUE(SafeReadByteAt(stream, 50, byte)) << "inside the block stream, outside the medium";
  EXPECT_EQ(byte, 0);
}

TEST_F(BlockStreamTest, WritesAreRefused) {
  TXBlocks blocks = Made({{0, 100}});
  TXBlockStream stream(*stream_, blocks);
  uint8_t data[2] = {1, 2};
  EXPECT_EQ(stream.Write(data, 2), 0);
  EXPECT_EQ(ThreadError().Code, kErrWrite);
  stream_.reset();
  EXPECT_EQ(test::ReadFileBytes(path_), medium_);
}

TEST(BlocksCursorTest, StepsAcrossExtentsAndStopsAtTheEnd) {
  TXBlocks blocks = Made({{100, 2}, {300, 1}});
  TXBlocksCursor cursor(blocks);
  EXPECT_EQ(cursor.MediumPos(), 100);
  EXPECT_TRUE(cursor.Next());
  EXPECT_EQ(cursor.MediumPos(), 101);
  EXPECT_TRUE(cursor.Next());
  EXPECT_EQ(cursor.MediumPos(), 300);
  EXPECT_EQ(cursor.BlockIndex(), 1);
  EXPECT_FALSE(cursor.Next()) << "the last byte of the last extent was passed";
  EXPECT_EQ(cursor.StreamPos(), 3);
  EXPECT_EQ(cursor.MediumPos(), 301);
  EXPECT_TRUE(cursor.AtEnd());
  EXPECT_FALSE(cursor.Next());
  cursor.MoveTo(1);
  EXPECT_EQ(cursor.MediumPos(), 101);
  cursor.MoveTo(-2);
  EXPECT_TRUE(cursor.AtEnd());
  TXBlocks empty;
  TXBlocksCursor none(empty);
  EXPECT_TRUE(none.AtEnd());
  EXPECT_EQ(none.MediumPos(), -1);
}

}  // namespace
}  // namespace kova
