#include "recovery/blocks.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/error_data.h"
#include "storage/buf_stream.h"
#include "support/flaky_stream.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

std::vector<TXBlock> Extents(const TXBlocks& blocks) {
  return {blocks.begin(), blocks.end()};
}

TXBlocks Made(std::initializer_list<TXBlock> extents) {
  TXBlocks blocks;
  for (const TXBlock& block : extents)
    blocks.Append(block);
  blocks.RecalcSize();
  return blocks;
}

TEST(BlocksTest, AddJoinsWithTheLastExtentWhenTheyTouchOrOverlap) {
  TXBlocks blocks;
  blocks.Add(100, 10);
  blocks.Add(110, 5);
  EXPECT_EQ(Extents(blocks), (std::vector<TXBlock>{{100, 15}}));
  EXPECT_EQ(blocks.TotalSize(), 15);

  TXBlocks apart;
  apart.Add(100, 10);
  apart.Add(111, 5);
  EXPECT_EQ(Extents(apart), (std::vector<TXBlock>{{100, 10}, {111, 5}}));
  EXPECT_EQ(apart.TotalSize(), 15);

  TXBlocks before;
  before.Add(100, 10);
  before.Add(99, 1);
  EXPECT_EQ(Extents(before), (std::vector<TXBlock>{{99, 11}}));
  before.Add(102, 3);
  EXPECT_EQ(Extents(before), (std::vector<TXBlock>{{99, 11}})) << "a contained extent adds nothing";
  before.Add(105, 0);
  before.Add(300, -4);
  EXPECT_EQ(before.Count(), 1);
  EXPECT_EQ(before.TotalSize(), 11);
}

TEST(BlocksTest, NormalizeSortsAndJoins) {
  TXBlocks blocks = Made({{200, 10}, {100, 10}, {105, 15}, {120, 1}, {50, 5}});
  blocks.Normalize();
  EXPECT_EQ(Extents(blocks), (std::vector<TXBlock>{{50, 5}, {100, 21}, {200, 10}}));
  EXPECT_EQ(blocks.TotalSize(), 36);
}

TEST(BlocksTest, ComplementIsTheGapsWithinTheLimit) {
  TXBlocks gaps;
  gaps.SetComplement(TXBlocks(), 1000);
  EXPECT_EQ(Extents(gaps), (std::vector<TXBlock>{{0, 1000}}));

  gaps.SetComplement(Made({{0, 100}, {500, 100}}), 1000);
  EXPECT_EQ(Extents(gaps), (std::vector<TXBlock>{{100, 400}, {600, 400}}));
  EXPECT_EQ(gaps.TotalSize(), 800);

  gaps.SetComplement(Made({{10, 90}, {100, 50}}), 150);
  EXPECT_EQ(Extents(gaps), (std::vector<TXBlock>{{0, 10}})) << "touching extents leave no gap";

  gaps.SetComplement(Made({{0, 100}, {2000, 100}}), 1000);
  EXPECT_EQ(Extents(gaps), (std::vector<TXBlock>{{100, 1900}}))
      << "a gap starting below the limit stays whole";
}

TEST(BlocksTest, RangeFollowsTheChainAcrossItsGaps) {
  TXBlocks chain = Made({{100, 10}, {300, 10}, {500, 10}});
  TXBlocks range;
  range.SetRange(chain, 105, 302);
  EXPECT_EQ(Extents(range), (std::vector<TXBlock>{{105, 5}, {300, 3}}));
  EXPECT_EQ(range.TotalSize(), 8);

  range.SetRange(chain, 101, 505);
  EXPECT_EQ(Extents(range), (std::vector<TXBlock>{{101, 9}, {300, 10}, {500, 6}}));

  range.SetRange(chain, 302, 305);
  EXPECT_EQ(Extents(range), (std::vector<TXBlock>{{302, 4}}));

  range.SetRange(chain, 200, 305);
  EXPECT_TRUE(range.Empty()) << "a first offset in no extent gives nothing";
  range.SetRange(chain, 305, 302);
  EXPECT_TRUE(range.Empty());
  range.SetRange(chain, 305, 9999);
  EXPECT_EQ(Extents(range), (std::vector<TXBlock>{{305, 5}, {500, 10}}));
}

TEST(BlocksTest, MapPositionCountsThroughTheExtents) {
  TXBlocks blocks = Made({{100, 10}, {300, 10}});
  int32_t index = -5;
  EXPECT_EQ(blocks.MapPosition(0, index), 100);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(blocks.MapPosition(9, index), 109);
  EXPECT_EQ(blocks.MapPosition(10, index), 300);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(blocks.MapPosition(25, index), 310);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(blocks.MapPosition(-1, index), -1);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(TXBlocks().MapPosition(0), -1);
}

TEST(BlocksTest, ComparersOrderByCountThenExtents) {
  EXPECT_LT(TXBlockComparer::Compare({1, 5}, {2, 1}), 0);
  EXPECT_GT(TXBlockComparer::Compare({2, 5}, {2, 1}), 0);
  EXPECT_EQ(TXBlockComparer::Compare({2, 5}, {2, 5}), 0);

  TXBlocks one = Made({{100, 10}});
  TXBlocks three = Made({{1, 1}, {5, 1}, {9, 1}});
  EXPECT_EQ(TXBlocksComparer::Compare(three, one), 2);
  EXPECT_EQ(TXBlocksComparer::Compare(one, three), -2);
  EXPECT_EQ(TXBlocksComparer::Compare(one, Made({{100, 11}})), -1);
  EXPECT_EQ(TXBlocksComparer::Compare(Made({{101, 1}}), one), 1);
  EXPECT_EQ(TXBlocksComparer::Compare(one, Made({{100, 10}})), 0);
  EXPECT_TRUE(one.Equals(Made({{100, 10}})));
  EXPECT_FALSE(one.Equals(three));
}

class BlocksCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearThreadError(); }
  test::TempDir dir_;
};

TEST_F(BlocksCopyTest, SaveToFileCopiesTheExtentsInOrder) {
  auto medium = test::NoiseBytes(600000, 5);
  auto mediumPath = dir_ / "card.img";
  test::WriteFileBytes(mediumPath, medium);
  TXBufFileStream stream(mediumPath.string());
  TXBlocks blocks = Made({{300000, 1000}, {10, 20}, {262100, 100}, {5, 0}});
  auto out = dir_ / "restored.jpg";
  ASSERT_TRUE(blocks.SaveToFile(stream, out.string()));
  std::vector<uint8_t> expected(medium.begin() + 300000, medium.begin() + 301000);
  expected.insert(expected.end(), medium.begin() + 10, medium.begin() + 30);
  expected.insert(expected.end(), medium.begin() + 262100, medium.begin() + 262200);
  EXPECT_EQ(test::ReadFileBytes(out), expected);
  EXPECT_EQ(test::ReadFileBytes(mediumPath), medium);
}

TEST_F(BlocksCopyTest, CopyStopsAtTheFirstFailingExtentAndReportsIt) {
  test::FlakyStream source(test::NoiseBytes(4000, 6));
  source.FailRange(2000, 10);
  TXMemoryStream dest;
  TXBlocks blocks = Made({{0, 100}, {1990, 50}, {3000, 100}});
  EXPECT_FALSE(blocks.CopyTo(source, dest));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(dest.Size(), 100) << "what was copied stays";

  TXBlocks beyond = Made({{3990, 20}});
  EXPECT_FALSE(beyond.CopyTo(source, dest)) << "an extent past the end of the source fails";
  EXPECT_EQ(ThreadError().Code, kErrRead);
}

TEST_F(BlocksCopyTest, SaveToFileIntoAMissingFolderFails) {
  TXMemoryStream source(test::NoiseBytes(100, 6));
  EXPECT_FALSE(Made({{0, 10}}).SaveToFile(source, (dir_ / "no" / "such" / "x.jpg").string()));
  EXPECT_EQ(ThreadError().Code, kErrFileNotFound);
}

}  // namespace
}  // namespace kova
