#include "storage/buf_disk_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "framework/error_data.h"
#include "storage/disk_io.h"
#include "storage/safe_read.h"
#include "support/faulty_device.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

constexpr const char* kCard = "/dev/kova-card";

class BufDiskStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearThreadError();
    ThreadError().RaiseMasks = {};
    bytes_ = test::NoiseBytes(4 * kMediumWindowSize + 1000, 31);
    image_ = dir_ / "card.img";
    test::WriteFileBytes(image_, bytes_);
    plan_ = std::make_shared<TXFaultPlan>();
    scope_ =
        std::make_unique<TXDeviceOpenerScope>(FaultyDeviceOpener(kCard, image_.string(), plan_));
  }

  int32_t CodeOfRead(TXBufDiskStream& stream, int64_t pos) {
    uint8_t byte = 0;
    stream.SetPosition(pos);
    try {
      stream.Read(&byte, 1);
    } catch (const EXError& error) {
      return error.Code();
    }
    return kErrNone;
  }

  test::TempDir dir_;
  std::vector<uint8_t> bytes_;
  std::filesystem::path image_;
  std::shared_ptr<TXFaultPlan> plan_;
  std::unique_ptr<TXDeviceOpenerScope> scope_;
};

TEST_F(BufDiskStreamTest, ReadsTheWholeDevice) {
  TXBufDiskStream stream(kCard);
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(bytes_.size()));
  EXPECT_EQ(stream.DiskInfo().DiskSize, stream.Size());
  EXPECT_EQ(stream.DiskInfo().RootPath, kCard);
  EXPECT_EQ(stream.BufferSize(), kMediumWindowSize);
  std::vector<uint8_t> all(bytes_.size());
  stream.ReadBuffer(all.data(), static_cast<int64_t>(all.size()));
  EXPECT_EQ(all, bytes_);
  EXPECT_EQ(TXBufDiskStream(kCard, 1000).BufferSize(), 512) << "windows are whole sectors";
  EXPECT_EQ(TXBufDiskStream(std::string(kCard) + "/").Drive(), std::string(kCard) + "/");
}

TEST_F(BufDiskStreamTest, ASizeChosenBeyondTheDeviceReadsAsZeros) {
  TXBufDiskStream stream(kCard);
  int64_t deviceSize = stream.Size();
  stream.SetSize(deviceSize + 3 * kMediumWindowSize);
  std::vector<uint8_t> tail(2 * kMediumWindowSize, 0xEE);
  stream.SetPosition(deviceSize - 100);
  EXPECT_EQ(stream.Read(tail.data(), static_cast<int64_t>(tail.size())),
            static_cast<int64_t>(tail.size()));
  EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 100, bytes_.end() - 100));
  EXPECT_EQ(std::count(tail.begin() + 100, tail.end(), 0), static_cast<long>(tail.size()) - 100);
  EXPECT_EQ(ThreadError().Code, kErrNone) << "reading past the device's end is no error";
}

TEST_F(BufDiskStreamTest, ABadSectorReadsAsZerosAloneAndRaisesOnlyWhenAsked) {
  plan_->BadRanges.push_back({300032, 512});
  TXBufDiskStream stream(kCard);
  EXPECT_EQ(CodeOfRead(stream, 0), kErrNone);
  EXPECT_EQ(CodeOfRead(stream, kMediumWindowSize + 10), kErrNone) << "a good byte of the window";
  EXPECT_EQ(CodeOfRead(stream, 300032 + 10), kErrRead);
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(ThreadError().OSError, EIO);
  const std::span<const uint8_t> shown = stream.WindowAt(kMediumWindowSize);
  const std::vector<uint8_t> window(shown.begin(), shown.end());
  stream.SetPosition(300000);
  EXPECT_THROW(stream.ReadBuffer(std::vector<uint8_t>(1024).data(), 1024), EXError)
      << "a read that takes in the bad sector fails every time";
  std::vector<uint8_t> expected(bytes_.begin() + kMediumWindowSize,
                                bytes_.begin() + 2 * kMediumWindowSize);
  std::fill_n(expected.begin() + (300032 - kMediumWindowSize), 512, 0);
  EXPECT_EQ(window, expected) << "only the bad sector is zeros";
  EXPECT_EQ(stream.BadSectors()->UnreadableBytes(), 512);

  TXBufDiskStream quiet(kCard);
  quiet.RaiseOnError = false;
  ClearThreadError();
  EXPECT_EQ(CodeOfRead(quiet, 300040), kErrNone);
  EXPECT_EQ(ThreadError().Code, kErrRead) << "the code is recorded all the same";
}

// The whole stream in safe reads of one sector (a safe read that takes in a bad sector is zeros
// whole).
std::vector<uint8_t> ReadThrough(TXBufDiskStream& stream) {
  std::vector<uint8_t> seen;
  std::vector<uint8_t> chunk(512);
  for (int64_t pos = 0; pos < stream.Size(); pos += 512) {
    int64_t n = std::min<int64_t>(512, stream.Size() - pos);
    EXPECT_TRUE(SafeReadAt(stream, chunk.data(), n, pos));
    seen.insert(seen.end(), chunk.begin(), chunk.begin() + n);
  }
  return seen;
}

// The card's bytes with the bad ranges read as zeros.
std::vector<uint8_t> WithZerosIn(std::vector<uint8_t> bytes,
                                 const std::vector<TXFaultPlan::Range>& ranges) {
  for (const TXFaultPlan::Range& range : ranges)
    std::fill_n(bytes.begin() + range.Start, range.Size, 0);
  return bytes;
}

// A range alone in its window costs three failing requests; one that shares its window with
// another costs one more, the window's request having touched both.
TEST_F(BufDiskStreamTest, AScanLosesExactlyTheBadSectorsAndAsksEachRangeThreeTimesAtMost) {
  plan_->BadRanges = {{2 * kMediumWindowSize + 4096, 512},
                      {3 * kMediumWindowSize - 2048, 2048},  // up to a window's end
                      {3 * kMediumWindowSize, 1024},         // and on from the next one's start
                      {4 * kMediumWindowSize - 8192, 512 * 9}};
  TXBufDiskStream stream(kCard);
  EXPECT_EQ(ReadThrough(stream), WithZerosIn(bytes_, plan_->BadRanges));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(stream.BadSectors()->UnreadableBytes(), 512 + 2048 + 1024 + 512 * 9);
  EXPECT_EQ(plan_->FailedReadsOf(0), 2) << "a single bad sector: the window's and the front edge";
  EXPECT_EQ(plan_->FailedReadsOf(1), 4) << "it shares the window with the first";
  EXPECT_EQ(plan_->FailedReadsOf(2), 2) << "going on from the window before: no front edge";
  EXPECT_EQ(plan_->FailedReadsOf(3), 4) << "it shares the window with the third";

  const int before = plan_->Reads;
  ClearThreadError();
  stream.SetBufferSize(stream.BufferSize());
  EXPECT_EQ(ReadThrough(stream), WithZerosIn(bytes_, plan_->BadRanges));
  EXPECT_EQ(plan_->MostFailedReadsOfARange(), 4) << "no bad sector is asked for again";
  EXPECT_EQ(ThreadError().Code, kErrRead) << "the sectors known bad still read as unreadable";
  EXPECT_EQ(plan_->Reads - before, 5 + 2)
      << "each window once, the two with holes inside in one request more";
}

TEST_F(BufDiskStreamTest, ReadingFromStartToEndTakesLargeWindowsEvenAfterAFailure) {
  plan_->BadRanges.push_back({2 * kMediumWindowSize + 4096, 1});
  TXBufDiskStream stream(kCard);
  stream.AdviseSequential(true);
  EXPECT_EQ(stream.BufferSize(), kDriveScanWindowSize);
  EXPECT_GE(stream.BufferSize(), 1 << 20) << "large requests";
  EXPECT_EQ(ReadThrough(stream), WithZerosIn(bytes_, {{2 * kMediumWindowSize + 4096, 512}}));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(stream.BufferSize(), kDriveScanWindowSize) << "a failure keeps the large windows";
  EXPECT_EQ(plan_->FailedReadsOf(0), 2) << "the window's read and the front edge's";
  EXPECT_EQ(stream.Reader().Counts().LargestRequest, kDriveScanWindowSize);

  plan_->BadRanges.clear();
  TXBufDiskStream sound(kCard);
  sound.AdviseSequential(true);
  const int again = plan_->Reads;
  std::vector<uint8_t> chunk(4096);
  sound.SetPosition(0);
  sound.ReadBuffer(chunk.data(), static_cast<int64_t>(chunk.size()));
  sound.SetPosition(kDriveScanWindowSize - 1);
  sound.ReadBuffer(chunk.data(), 1);
  EXPECT_EQ(plan_->Reads - again, 1) << "a sound stretch is read in one window";
  sound.AdviseSequential(false);
  EXPECT_EQ(sound.BufferSize(), kMediumWindowSize);
}

TEST_F(BufDiskStreamTest, TryingEverySectorReadsTheGoodOnesInsideATrimmedArea) {
  // Two bad sectors with good ones between them: trimming stops at both, the inside is left.
  plan_->BadRanges = {{kMediumWindowSize + 1024, 512}, {kMediumWindowSize + 8192, 512}};
  const std::vector<uint8_t> expected = WithZerosIn(bytes_, plan_->BadRanges);
  TXBufDiskStream trimmed(kCard);
  std::vector<uint8_t> seen = ReadThrough(trimmed);
  EXPECT_EQ(trimmed.BadSectors()->UnreadableBytes(), 8192 + 512 - 1024);
  EXPECT_EQ(trimmed.BadSectors()->BytesIn(TXSectorState::ssNonScraped), 8192 - 1024 - 512);

  TXBufDiskStream scraped(kCard);
  scraped.Reader().TryEverySector = true;
  EXPECT_EQ(ReadThrough(scraped), expected);
  EXPECT_EQ(scraped.BadSectors()->UnreadableBytes(), 1024);

  // As the user asks for it (kova-cli --try-every-sector): through the drive input.
  TXDiskIO drive;
  drive.TryEverySector = true;
  ASSERT_TRUE(drive.Open(kCard));
  EXPECT_EQ(ReadThrough(*drive.DiskStream()), expected);
  EXPECT_EQ(drive.BadSectors()->UnreadableBytes(), 1024);
}

TEST_F(BufDiskStreamTest, AVanishedDeviceAlwaysRaisesCode11) {
  TXBufDiskStream stream(kCard);
  stream.RaiseOnError = false;
  plan_->VanishAfterReads = plan_->Reads + 1;
  EXPECT_EQ(CodeOfRead(stream, 0), kErrNone);
  EXPECT_EQ(CodeOfRead(stream, kMediumWindowSize), kErrNotReady);
  EXPECT_EQ(ThreadError().OSError, ENODEV);
  uint8_t byte = 0;
  EXPECT_THROW(SafeReadByteAt(stream, 3 * kMediumWindowSize, byte), EXError)
      << "the safe reads let a vanished device through";
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
}

TEST_F(BufDiskStreamTest, ReportsSlowReads) {
  TXBufDiskStream stream(kCard);
  std::vector<int64_t> reports;
  stream.OnSlowRead = [&](TXBufDiskStream&, int64_t elapsed) { reports.push_back(elapsed); };
  stream.SlowReadMs = 60000;
  EXPECT_EQ(CodeOfRead(stream, 0), kErrNone);
  EXPECT_TRUE(reports.empty()) << "not slower than a minute";
  plan_->ReadDelay = std::chrono::milliseconds(60);
  stream.SlowReadMs = 30;
  EXPECT_EQ(CodeOfRead(stream, kMediumWindowSize), kErrNone);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_GE(reports[0], 60);
}

TEST_F(BufDiskStreamTest, OpeningFailuresGiveTheDriveCodes) {
  struct Case {
    int error;
    int32_t code;
    const char* text;
  };
  for (const Case& c : {Case{ENOMEDIUM, kErrNotReady, "no medium"}, Case{ENXIO, kErrNotReady, ""},
                        Case{EACCES, kErrAccessDenied, "/dev/kova-card: permission denied"},
                        Case{EPERM, kErrAccessDenied, "permission denied"},
                        Case{EIO, kErrOsError, "Cannot create file \"/dev/kova-card\"."}}) {
    plan_->OpenError = c.error;
    SetThreadError(kErrSeek, 0, "earlier");
    try {
      TXBufDiskStream stream(kCard);
      ADD_FAILURE() << "errno " << c.error << " must not open";
    } catch (const EXError& error) {
      EXPECT_EQ(error.Code(), c.code);
      EXPECT_EQ(ThreadError().Code, c.code);
      EXPECT_EQ(ThreadError().OSError, c.error);
      EXPECT_NE(ThreadError().Text.find(c.text), std::string::npos) << ThreadError().Text;
    }
  }
  EXPECT_THROW(TXBufDiskStream("/dev/kova-no-such-drive"), EXError);
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
}

}  // namespace
}  // namespace kova
