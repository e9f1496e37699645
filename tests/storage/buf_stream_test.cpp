#include "storage/buf_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <vector>

#include "framework/error_data.h"
#include "support/flaky_stream.h"
#include "support/seek_rule.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

class BufStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearThreadError();
    ThreadError().RaiseMasks = {};
  }

  std::filesystem::path MakeFile(size_t size, uint32_t seed = 7) {
    bytes_ = test::NoiseBytes(size, seed);
    auto path = dir_ / "medium.bin";
    test::WriteFileBytes(path, bytes_);
    return path;
  }

  test::TempDir dir_;
  std::vector<uint8_t> bytes_;
};

TEST_F(BufStreamTest, DeliversTheFileAcrossWindowBoundaries) {
  auto path = MakeFile(3 * kMediumWindowSize + 1234);
  for (int32_t window : {1000, 4096, kMediumWindowSize}) {
    TXBufFileStream stream(path.string(), window);
    ASSERT_EQ(stream.Size(), static_cast<int64_t>(bytes_.size()));
    std::mt19937 random(window);
    for (int i = 0; i < 200; ++i) {
      int64_t pos = random() % bytes_.size();
      int64_t count = random() % 9000;
      std::vector<uint8_t> got(static_cast<size_t>(count));
      stream.SetPosition(pos);
      int64_t n = stream.Read(got.data(), count);
      int64_t expected = std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - pos);
      ASSERT_EQ(n, expected) << "window " << window << " pos " << pos;
      ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, bytes_.begin() + pos));
      EXPECT_EQ(stream.Position(), pos + n);
    }
  }
}

TEST_F(BufStreamTest, FillsOneAlignedWindowPerArea) {
  auto path = MakeFile(2 * kMediumWindowSize + 100);
  TXBufFileStream stream(path.string());
  std::vector<int64_t> fills;
  stream.OnFill = [&](TXCustomBufStream&, int64_t start) { fills.push_back(start); };
  uint8_t buffer[10];
  stream.SetPosition(0);
  stream.ReadBuffer(buffer, 10);
  stream.SetPosition(kMediumWindowSize + 6);
  stream.ReadBuffer(buffer, 10);
  stream.SetPosition(kMediumWindowSize + 5000);
  stream.ReadBuffer(buffer, 10);
  EXPECT_EQ(fills, (std::vector<int64_t>{0, kMediumWindowSize}));
  EXPECT_EQ(stream.WindowStart(), kMediumWindowSize);
}

TEST_F(BufStreamTest, SeeksFollowTheSeekRuleAndStopAtTheEnd) {
  auto path = MakeFile(100);
  TXBufFileStream stream(path.string());
  test::ExpectTheSeekRule(stream, 100, false);
  EXPECT_EQ(stream.Seek(200, TXSeekOrigin::soBeginning), 100);
  uint8_t byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_EQ(ThreadError().Code, kErrEndOfStream);
}

TEST_F(BufStreamTest, AReadThatReachesTheEndStopsThere) {
  auto path = MakeFile(1000);
  TXBufFileStream stream(path.string(), 512);
  std::vector<uint8_t> got(100, 0xEE);
  stream.SetPosition(950);
  EXPECT_EQ(stream.Read(got.data(), 100), 50);
  EXPECT_EQ(stream.Position(), 1000);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 50, bytes_.begin() + 950));
  EXPECT_EQ(got[50], 0xEE) << "nothing is delivered past the end";
}

TEST_F(BufStreamTest, ALogicalSizeBeyondTheDataReadsAsZerosWithoutLooping) {
  auto path = MakeFile(700);
  TXBufFileStream stream(path.string(), 512);
  stream.SetSize(2000);
  std::vector<uint8_t> got(1300, 0xEE);
  stream.SetPosition(700);
  EXPECT_EQ(stream.Read(got.data(), 1300), 1300);
  EXPECT_EQ(std::count(got.begin(), got.end(), 0), 1300);
  EXPECT_EQ(std::filesystem::file_size(path), 700u) << "the size change is logical only";
}

TEST_F(BufStreamTest, AFailedWindowRaisesOnceAndThenReadsAsZeros) {
  auto* inner = new test::FlakyStream(test::NoiseBytes(4096, 3));
  inner->FailRange(1500, 1);
  TXCustomBufStream stream(inner, 1024, true);
  std::vector<uint8_t> got(100, 0xEE);
  stream.SetPosition(1100);
  try {
    stream.Read(got.data(), 100);
    FAIL() << "the failed window read must raise";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrRead);
  }
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(ThreadError().OSError, 5);
  int reads = inner->Reads();
  stream.SetPosition(1024);
  EXPECT_EQ(stream.Read(got.data(), 100), 100);
  EXPECT_EQ(std::count(got.begin(), got.end(), 0), 100);
  EXPECT_EQ(inner->Reads(), reads) << "the zeroed window is not read again";
  stream.SetPosition(2048);
  EXPECT_EQ(stream.Read(got.data(), 1), 1);
  EXPECT_EQ(got[0], inner->Bytes()[2048]);
}

TEST_F(BufStreamTest, WithoutRaiseOnErrorTheFailureIsLeftToThePolicy) {
  for (bool policyRaises : {false, true}) {
    ClearThreadError();
    ThreadError().RaiseMasks[kErrRead / 32] = policyRaises ? 1u << (kErrRead % 32) : 0;
    auto* inner = new test::FlakyStream(test::NoiseBytes(4096, 3));
    inner->FailRange(0, 1);
    TXCustomBufStream stream(inner, 1024, true);
    stream.RaiseOnError = false;
    std::vector<uint8_t> got(10, 0xEE);
    if (policyRaises) {
      EXPECT_THROW(stream.Read(got.data(), 10), EXError);
    } else {
      EXPECT_EQ(stream.Read(got.data(), 10), 10);
      EXPECT_EQ(std::count(got.begin(), got.end(), 0), 10);
    }
    EXPECT_EQ(ThreadError().Code, kErrRead);
  }
}

TEST_F(BufStreamTest, AVanishedSourceAlwaysRaises) {
  auto* inner = new test::FlakyStream(test::NoiseBytes(4096, 3), kErrNotReady);
  inner->FailRange(0, 4096);
  TXCustomBufStream stream(inner, 1024, true);
  stream.RaiseOnError = false;
  uint8_t byte = 0;
  try {
    stream.Read(&byte, 1);
    FAIL() << "a vanished source must raise";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrNotReady);
  }
}

TEST_F(BufStreamTest, WindowAtShowsTheWindowInPlace) {
  auto path = MakeFile(3000);
  TXBufFileStream stream(path.string(), 1024);
  auto bytes = stream.WindowAt(1500);
  ASSERT_EQ(bytes.size(), 548u);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), bytes_.begin() + 1500));
  EXPECT_EQ(stream.Position(), 1500);
  EXPECT_EQ(stream.WindowAt(2900).size(), 100u) << "the view ends at the stream's end";
  EXPECT_TRUE(stream.WindowAt(3000).empty());
  EXPECT_TRUE(stream.WindowAt(-1).empty());
}

TEST_F(BufStreamTest, WritesAreRefusedAndTheFileStaysUntouched) {
  auto path = MakeFile(5000);
  {
    TXBufFileStream stream(path.string());
    uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(stream.Write(data, 4), 0);
    EXPECT_EQ(ThreadError().Code, kErrWrite);
    EXPECT_THROW(stream.WriteBuffer(data, 4), EXError);
    stream.SetSize(10);
    EXPECT_EQ(stream.Size(), 10);
  }
  EXPECT_EQ(test::ReadFileBytes(path), bytes_);
}

TEST_F(BufStreamTest, OpeningFailuresGiveClearCodes) {
  auto missing = (dir_ / "missing.bin").string();
  try {
    TXBufFileStream stream(missing);
    FAIL() << "a missing file must not open";
  } catch (const EXError& error) {
    EXPECT_EQ(error.Code(), kErrFileNotFound);
    EXPECT_NE(ThreadError().Text.find("missing.bin"), std::string::npos);
  }
  ClearThreadError();
  EXPECT_THROW(TXBufFileStream stream(dir_.Path().string()), EXError);
  EXPECT_EQ(ThreadError().Code, kErrOsError) << "a folder is not an image file";

  SetThreadError(kErrSeek, 0, "earlier");
  EXPECT_THROW(TXBufFileStream stream(missing), EXError);
  EXPECT_EQ(ThreadError().Code, kErrSeek) << "an earlier code is kept";
  EXPECT_EQ(ThreadError().Text, "earlier");
}

TEST_F(BufStreamTest, AnUnreadableFileIsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the super-user";
  auto path = MakeFile(10);
  std::filesystem::permissions(path, std::filesystem::perms::none);
  EXPECT_THROW(TXBufFileStream stream(path.string()), EXError);
  EXPECT_EQ(ThreadError().Code, kErrFileAccessDenied);
}

}  // namespace
}  // namespace kova
