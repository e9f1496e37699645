#include "recovery/search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "framework/core_app.h"
#include "framework/error_data.h"
#include "framework/worker.h"
#include "recovery/block_stream.h"
#include "storage/buf_disk_stream.h"
#include "storage/buf_stream.h"
#include "storage/safe_read.h"
#include "support/faulty_device.h"
#include "support/flaky_stream.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

// The searches written out literally, one safe single-byte read per byte, as the reference the
// windowed search must agree with exactly.
namespace literal {

bool Read(TXStream& s, int64_t pos, uint8_t& b) {
  return SafeReadByteAt(s, pos, b);
}

bool MatchAt(TXStream& s, const TXPattern& pattern, int64_t pos) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    uint8_t b = 0;
    if (!Read(s, pos + static_cast<int64_t>(i), b) || b != pattern[i]) return false;
  }
  return true;
}

bool AllEqualAt(TXStream& s, uint8_t value, int64_t count, int64_t pos) {
  for (int64_t i = 0; i < count; ++i) {
    uint8_t b = 0;
    if (!Read(s, pos + i, b) || b != value) return false;
  }
  return true;
}

int64_t FindPattern(TXStream& s, const TXPattern& pattern, int64_t start, int64_t limit) {
  int64_t end = std::min(s.Size(), limit);
  int64_t p = start;
  size_t matched = 0;
  if (p > end) return -1;
  uint8_t b = 0;
  bool ok = Read(s, p, b);
  while (ok && matched < pattern.size()) {
    if (b == pattern[matched]) {
      ++matched;
      ++p;
    } else {
      p = p - static_cast<int64_t>(matched) + 1;
      matched = 0;
    }
    ok = p <= end && Read(s, p, b);
  }
  return matched == pattern.size() ? p - static_cast<int64_t>(pattern.size()) : -1;
}

int64_t FindFirstOf(TXStream& s, const TXGridPatternList& patterns, int32_t& index, int64_t start,
                    int64_t limit, int64_t origin, int64_t step) {
  index = -1;
  int64_t r = ((start - origin) % step + step) % step;
  int64_t c = r > 0 ? start + step - r : start;
  if (limit < c) return -1;
  std::vector<bool> candidate(patterns.size(), true);
  size_t j = 0;
  int64_t i = c;
  while (true) {
    uint8_t b = 0;
    if (!Read(s, i, b) || i > limit) return -1;
    bool some = false;
    for (size_t k = 0; k < patterns.size(); ++k) {
      const size_t lead = static_cast<size_t>(patterns[k].Lead);
      const TXPattern& bytes = patterns[k].Bytes;
      if (!candidate[k] || lead + bytes.size() <= j) continue;
      if (j >= lead && bytes[j - lead] != b) {
        candidate[k] = false;
        continue;
      }
      some = true;
      if (j + 1 == lead + bytes.size()) {
        index = static_cast<int32_t>(k);
        for (size_t p = 0; p < k; ++p) {
          if (candidate[p] && MatchAt(s, patterns[p].Bytes, c + patterns[p].Lead)) {
            index = static_cast<int32_t>(p);
            break;
          }
        }
        return c;
      }
    }
    if (!some) {
      c += step;
      i = c;
      j = 0;
      candidate.assign(patterns.size(), true);
    } else {
      ++i;
      ++j;
    }
  }
}

}  // namespace literal

TXGridPatternList WithoutLead(const TXPatternList& patterns) {
  TXGridPatternList grid;
  for (const TXPattern& pattern : patterns)
    grid.emplace_back(0, pattern);
  return grid;
}

constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

const TXPatternList kStartPatterns = {
    {0xFF, 0xD8},
    {0x49, 0x49, 0x2A, 0x00},
    {0x4D, 0x4D, 0x00, 0x2A},
    {0x49, 0x49, 0x52, 0x4F},
    {0x49, 0x49, 0x55, 0x00},
    {0x00, 0x4D, 0x52, 0x4D},
    {0x52, 0x49, 0x46, 0x46},
    {0x00, 0x00, 0x00, 0x18, 0x66, 0x74, 0x79, 0x70},
    {0x00, 0x00, 0x00, 0x20, 0x66, 0x74, 0x79, 0x70},
    {0x00, 0x00, 0x00, 0x1C, 0x66, 0x74, 0x79, 0x70},
    {0x00, 0x00, 0x01, 0x18, 0x73, 0x6B, 0x69, 0x70},
};

std::vector<uint8_t> SmallAlphabet(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes)
    b = static_cast<uint8_t>(random() % 3);
  return bytes;
}

TXPattern RandomPattern(std::mt19937& random, size_t maxLength) {
  TXPattern pattern(1 + random() % maxLength);
  for (uint8_t& b : pattern)
    b = static_cast<uint8_t>(random() % 3);
  return pattern;
}

// No limit, a limit just around the start (where matches run into it) or one further away.
int64_t RandomLimit(std::mt19937& random, int64_t start) {
  switch (random() % 4) {
    case 0:
      return kNoLimit;
    case 1:
      return start + static_cast<int64_t>(random() % 12) - 2;
    default:
      return start + static_cast<int64_t>(random() % 5000) - 50;
  }
}

class SearchReferenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearThreadError();
    ThreadError().RaiseMasks = {};
  }

  // Compares every operation on random arguments. `make` builds the source twice, so that the
  // reference and the search under test each read their own (a failed window changes the state
  // of the stream that met it).
  template <class Make>
  void CompareAll(Make make, int rounds, uint32_t seed) {
    std::mt19937 random(seed);
    for (int round = 0; round < rounds; ++round) {
      auto reference = make();
      auto tested = make();
      TXSearch search;
      search.SetSource(tested.get());
      int64_t size = tested->Size();
      int64_t start = static_cast<int64_t>(random() % (size + 40)) - 20;
      int64_t limit = RandomLimit(random, start);
      TXPattern pattern = RandomPattern(random, 6);
      SCOPED_TRACE(::testing::Message()
                   << "round " << round << " start " << start << " limit " << limit);

      ASSERT_EQ(search.FindPattern(pattern, start, limit),
                literal::FindPattern(*reference, pattern, start, limit));
      ASSERT_EQ(search.MatchAt(pattern, start), literal::MatchAt(*reference, pattern, start));
      int64_t count = random() % 6;
      ASSERT_EQ(search.AllEqualAt(pattern[0], count, start),
                literal::AllEqualAt(*reference, pattern[0], count, start));

      TXPatternList patterns;
      TXGridPatternList leading;
      for (size_t n = 1 + random() % 4; n > 0; --n) {
        patterns.push_back(RandomPattern(random, 5));
        leading.emplace_back(static_cast<int32_t>(random() % 3), patterns.back());
      }
      int64_t origin = random() % 3 == 0 ? 0 : static_cast<int64_t>(random() % 700) - 100;
      int64_t step = 1 + random() % (random() % 3 == 0 ? 4 : 600);
      int32_t index = -7;
      int32_t expectedIndex = -7;
      ASSERT_EQ(search.FindFirstOf(patterns, index, start, limit, origin, step),
                literal::FindFirstOf(*reference, WithoutLead(patterns), expectedIndex, start, limit,
                                     origin, step))
          << "step " << step << " origin " << origin;
      ASSERT_EQ(index, expectedIndex);
      ASSERT_EQ(
          search.FindFirstOf(leading, index, start, limit, origin, step),
          literal::FindFirstOf(*reference, leading, expectedIndex, start, limit, origin, step))
          << "with leads, step " << step << " origin " << origin;
      ASSERT_EQ(index, expectedIndex);
    }
  }

  test::TempDir dir_;
};

TEST_F(SearchReferenceTest, AgreesOverABufferedFile) {
  auto path = dir_ / "card.img";
  test::WriteFileBytes(path, SmallAlphabet(40000, 1));
  CompareAll([&] { return std::make_unique<TXBufFileStream>(path.string(), 4096); }, 600, 1);
}

TEST_F(SearchReferenceTest, AgreesOverABlockStreamAcrossExtentsAndWindows) {
  auto path = dir_ / "card.img";
  test::WriteFileBytes(path, SmallAlphabet(60000, 2));
  TXBufFileStream medium(path.string(), 1000);
  TXBlocks blocks;
  for (int64_t start : {3, 990, 1500, 2003, 7000, 25000})
    blocks.Add(start, 700 + start % 977);
  blocks.Add(40000, 12000);
  CompareAll([&] { return std::make_unique<TXBlockStream>(medium, blocks); }, 600, 2);
}

TEST_F(SearchReferenceTest, AgreesOverAStreamWithoutWindows) {
  auto bytes = SmallAlphabet(5000, 3);
  CompareAll([&] { return std::make_unique<TXMemoryStream>(bytes); }, 400, 3);
}

TEST_F(SearchReferenceTest, AgreesWhenWindowsFailToRead) {
  auto bytes = SmallAlphabet(30000, 4);
  auto make = [&]() -> std::unique_ptr<TXStream> {
    auto* inner = new test::FlakyStream(bytes);
    inner->FailRange(5000, 1);
    inner->FailRange(20500, 3000);
    return std::make_unique<TXCustomBufStream>(inner, 2048, true);
  };
  CompareAll(make, 600, 4);
}

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearThreadError(); }

  void Use(std::vector<uint8_t> bytes) {
    source_ = std::make_unique<TXMemoryStream>(std::move(bytes));
    search_.SetSource(source_.get());
  }

  std::unique_ptr<TXMemoryStream> source_;
  TXSearch search_;
};

TEST_F(SearchTest, GridSearchLooksOnlyAtGridPositions) {
  std::vector<uint8_t> bytes(4096, 0x11);
  bytes[1000] = 0xFF;
  bytes[1001] = 0xD8;
  Use(bytes);
  int32_t index = 0;
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 0, kNoLimit, 0, 512), -1)
      << "a header off the grid is never reported";
  EXPECT_EQ(index, -1);

  bytes[512] = 0xFF;
  bytes[513] = 0xD8;
  Use(bytes);
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 1, kNoLimit, 0, 512), 512);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 512, kNoLimit, 0, 512), 512);
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 513, kNoLimit, 0, 512), -1);
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 0, 511, 0, 512), -1) << "past the limit";
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 0, 512, 0, 512), -1)
      << "a header that runs past the limit";
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 0, kNoLimit, 0, 0), -1) << "no step";
}

TEST_F(SearchTest, TheGridCountsFromTheOriginOnBothSides) {
  std::vector<uint8_t> bytes(2048, 0x11);
  bytes[612] = 0x52;
  std::copy_n("RIFF", 4, bytes.begin() + 612);
  Use(bytes);
  int32_t index = 0;
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 0, kNoLimit, 100, 512), 612);
  EXPECT_EQ(index, 6);
  EXPECT_EQ(search_.FindFirstOf(kStartPatterns, index, 0, kNoLimit, 1636, 512), 612)
      << "an origin beyond the start still gives grid positions";
}

TEST_F(SearchTest, AnEarlierLongerPatternStillMatchingWins) {
  Use({'x', 'A', 'B', 'C', 'D'});
  TXPatternList patterns = {{'A', 'B', 'C', 'D'}, {'A', 'B'}};
  int32_t index = -1;
  EXPECT_EQ(search_.FindFirstOf(patterns, index, 1, kNoLimit, 0, 1), 1);
  EXPECT_EQ(index, 0);
  Use({'x', 'A', 'B', 'C', 'X'});
  EXPECT_EQ(search_.FindFirstOf(patterns, index, 1, kNoLimit, 0, 1), 1);
  EXPECT_EQ(index, 1);
}

TEST_F(SearchTest, LeadBytesMatchAnythingButMustBeThere) {
  // Box headers: a size of any value, then the type.
  const TXGridPatternList boxes = {{4, {'m', 'o', 'o', 'v'}}, {4, {'m', 'd', 'a', 't'}}};
  std::vector<uint8_t> bytes(3000, 0x11);
  std::copy_n("\x12\x34\x56\x78mdat", 8, bytes.begin() + 1024);
  std::copy_n("moov", 4, bytes.begin() + 524);
  Use(bytes);
  int32_t index = -1;
  EXPECT_EQ(search_.FindFirstOf(boxes, index, 0, kNoLimit, 0, 512), 1024)
      << "a box off the grid is not reported";
  EXPECT_EQ(index, 1);
  EXPECT_EQ(search_.FindFirstOf(boxes, index, 0, 1030, 0, 512), -1) << "the type runs past it";
  Use(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1030));
  EXPECT_EQ(search_.FindFirstOf(boxes, index, 0, kNoLimit, 0, 512), -1) << "a cut header";
}

TEST_F(SearchTest, FindPatternRestartsAfterAPartialMatch) {
  Use({0xFF, 0xFF, 0xD9, 0x00});
  TXPattern end = {0xFF, 0xD9};
  EXPECT_EQ(search_.FindPattern(end, 0, kNoLimit), 1);
  EXPECT_EQ(search_.FindPattern(end.data(), 2, 0), 1);
  EXPECT_EQ(search_.FindPattern(end, 0, 1), -1) << "the match must end at or before the limit";
  EXPECT_EQ(search_.FindPattern(end, 0, 2), 1);
  EXPECT_EQ(search_.FindPattern(end, 2, kNoLimit), -1);
  EXPECT_EQ(search_.FindPattern(TXPattern{}, 3, kNoLimit), 3);
}

TEST_F(SearchTest, StartBeyondTheEndReadsNothing) {
  test::FlakyStream source(std::vector<uint8_t>(100, 0));
  search_.SetSource(&source);
  TXPattern zero = {0};
  EXPECT_EQ(search_.FindPattern(zero, 101, kNoLimit), -1);
  EXPECT_EQ(search_.FindPattern(zero, 50, 40), -1);
  EXPECT_EQ(source.Reads(), 0);
}

TEST_F(SearchTest, ComparisonsAtTheEndOfTheSource) {
  Use({1, 2, 3, 3, 3});
  EXPECT_TRUE(search_.MatchAt(TXPattern{3, 3}, 3));
  EXPECT_FALSE(search_.MatchAt(TXPattern{3, 3, 3}, 3)) << "a pattern running past the end";
  EXPECT_TRUE(search_.MatchAt(TXPattern{}, 99));
  EXPECT_TRUE(search_.AllEqualAt(3, 3, 2));
  EXPECT_FALSE(search_.AllEqualAt(3, 4, 2));
  EXPECT_TRUE(search_.AllEqualAt(7, 0, 2));
  uint8_t byte = 0;
  EXPECT_TRUE(search_.ReadByte(byte, 4));
  EXPECT_EQ(byte, 3);
  EXPECT_FALSE(search_.ReadByte(byte, 5));
  TXSearch unset;
  EXPECT_EQ(unset.FindPattern(TXPattern{1}, 0, kNoLimit), -1);
  EXPECT_FALSE(unset.ReadByte(byte, 0));
}

TEST_F(SearchTest, ATerminatedWorkerStopsEverySearch) {
  Use(std::vector<uint8_t>(10000, 0));
  auto worker = MakeRef<TXWorker>();
  search_.SetWorker(worker);
  TXPattern zero = {0};
  EXPECT_EQ(search_.FindPattern(zero, 5, kNoLimit), 5);
  worker->Cancel();
  EXPECT_TRUE(search_.Stopped());
  uint8_t byte = 0;
  EXPECT_FALSE(search_.ReadByte(byte, 0));
  EXPECT_EQ(search_.FindPattern(zero, 5, kNoLimit), -1);
  int32_t index = 0;
  EXPECT_EQ(search_.FindFirstOf({zero}, index, 0, kNoLimit, 0, 512), -1);
  EXPECT_TRUE(search_.MatchAt(zero, 0)) << "comparisons do not look at the worker";
}

TEST_F(SearchTest, CancellingFromAnotherThreadStopsALongSearchWithTheWindowBeingRead) {
  test::TempDir dir;
  auto image = dir / "card.img";
  test::WriteFileBytes(image, std::vector<uint8_t>(64 * kMediumWindowSize, 0x11));
  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(FaultyDeviceOpener("/dev/kova-slow", image.string(), plan));
  auto worker = MakeRef<TXWorker>();
  std::atomic<int64_t> result{0};
  std::thread scan([&] {
    try {
      TXBufDiskStream medium("/dev/kova-slow");
      // The third window of the search hangs until the test lets it go.
      plan->HoldAtRead = plan->Reads + 3;
      TXBlocks extents;
      extents.Add(0, medium.Size());
      TXBlockStream stream(medium, extents);
      TXSearch search;
      search.SetWorker(worker);
      search.SetSource(&stream);
      int32_t index = 0;
      result = search.FindFirstOf(kStartPatterns, index, 0, kNoLimit, 0, 512);
    } catch (const std::exception&) {
      result = -2;
    }
  });
  plan->WaitUntilHeld();
  worker->Cancel();
  plan->Release();
  scan.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(plan->Reads, plan->HoldAtRead) << "nothing is read after the window being read";
}

TEST_F(SearchTest, ShuttingDownStopsTheSearch) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Use(std::vector<uint8_t>(10000, 0));
        CoreApp().Terminate();
        int32_t index = 0;
        bool stopped = search_.FindPattern(TXPattern{0}, 0, kNoLimit) == -1 &&
                       search_.FindFirstOf(TXPatternList{{0}}, index, 0, kNoLimit, 0, 512) == -1;
        std::exit(stopped ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SearchTest, AVanishedSourceEndsTheSearchWithCode11) {
  test::FlakyStream source(std::vector<uint8_t>(10000, 0), kErrNotReady);
  source.FailRange(4096, 10);
  TXCustomBufStream medium(&source, 4096, false);
  search_.SetSource(&medium);
  int32_t index = 0;
  try {
    search_.FindFirstOf(TXPatternList{{1}}, index, 0, kNoLimit, 0, 512);
    FAIL() << "a vanished source must reach the caller";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrNotReady);
  }
}

}  // namespace
}  // namespace kova
