#include "storage/buf_disk_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "framework/error_data.h"
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

TEST_F(BufDiskStreamTest, ABadSectorZeroesItsWindowAndRaisesOnlyWhenAsked) {
  plan_->BadRanges.push_back({300000, 512});
  TXBufDiskStream stream(kCard);
  EXPECT_EQ(CodeOfRead(stream, 0), kErrNone);
  EXPECT_EQ(CodeOfRead(stream, kMediumWindowSize + 10), kErrRead);
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(ThreadError().OSError, EIO);
  std::vector<uint8_t> window(kMediumWindowSize, 0xEE);
  stream.SetPosition(kMediumWindowSize);
  stream.ReadBuffer(window.data(), kMediumWindowSize);
  EXPECT_EQ(window, std::vector<uint8_t>(kMediumWindowSize, 0));

  TXBufDiskStream quiet(kCard);
  quiet.RaiseOnError = false;
  ClearThreadError();
  EXPECT_EQ(CodeOfRead(quiet, 300000), kErrNone);
  EXPECT_EQ(ThreadError().Code, kErrRead) << "the code is recorded all the same";
}

// The whole stream, read as a scan does in 4096-byte safe reads.
std::vector<uint8_t> ReadThrough(TXBufDiskStream& stream) {
  std::vector<uint8_t> seen;
  std::vector<uint8_t> chunk(4096);
  for (int64_t pos = 0; pos < stream.Size(); pos += 4096) {
    int64_t n = std::min<int64_t>(4096, stream.Size() - pos);
    EXPECT_TRUE(SafeReadAt(stream, chunk.data(), n, pos));
    seen.insert(seen.end(), chunk.begin(), chunk.begin() + n);
  }
  return seen;
}

// The card's bytes with the ordinary window that holds the bad sector read as zeros.
std::vector<uint8_t> WithoutThirdWindow(std::vector<uint8_t> bytes) {
  std::fill_n(bytes.begin() + 2 * kMediumWindowSize, kMediumWindowSize, 0);
  return bytes;
}

TEST_F(BufDiskStreamTest, AScanReadsPastBadSectorsAndLosesOnlyTheirWindows) {
  plan_->BadRanges.push_back({2 * kMediumWindowSize + 4096, 1});
  TXBufDiskStream stream(kCard);
  EXPECT_EQ(ReadThrough(stream), WithoutThirdWindow(bytes_));
  EXPECT_EQ(ThreadError().Code, kErrRead);
}

// Read from start to end, a drive is read in large windows until a read fails; then in ordinary
// ones again, so a bad sector still costs only its ordinary window.
TEST_F(BufDiskStreamTest, ReadingFromStartToEndTakesLargeWindowsAndLosesNoMore) {
  plan_->BadRanges.push_back({2 * kMediumWindowSize + 4096, 1});
  TXBufDiskStream stream(kCard);
  stream.AdviseSequential(true);
  EXPECT_EQ(stream.BufferSize(), kDriveScanWindowSize);
  const int before = plan_->Reads;
  EXPECT_EQ(ReadThrough(stream), WithoutThirdWindow(bytes_));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  EXPECT_EQ(stream.BufferSize(), kMediumWindowSize);
  // The large window that failed, then the five ordinary ones.
  EXPECT_EQ(plan_->Reads - before, 1 + 5);

  plan_->BadRanges.clear();
  stream.AdviseSequential(true);
  const int again = plan_->Reads;
  std::vector<uint8_t> chunk(4096);
  stream.SetPosition(0);
  stream.ReadBuffer(chunk.data(), static_cast<int64_t>(chunk.size()));
  stream.SetPosition(stream.Size() - 1);
  stream.ReadBuffer(chunk.data(), 1);
  EXPECT_EQ(plan_->Reads - again, 1) << "a sound card is read in one window";
  stream.AdviseSequential(false);
  EXPECT_EQ(stream.BufferSize(), kMediumWindowSize);
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
