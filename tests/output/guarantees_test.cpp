#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "fat/card_fixture.h"
#include "output/image_space.h"
#include "output/output_harness.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/device_access.h"
#include "support/faulty_device.h"
#include "support/test_files.h"
#include "support/tmp_file_system.h"

// What a user may rely on whatever happens: the card is only ever read, a restore never replaces
// a file, a full destination is reported, and a cancel is obeyed at once.
namespace kova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FixtureCard;
using test::OutputHarness;
using test::ReadFileBytes;
using test::TmpFileSystem;

// Watches, on a thread of its own, every descriptor of this process that is open on one file and
// remembers the access mode of each it sees.
class OpenFileWatch {
 public:
  explicit OpenFileWatch(const fs::path& file)
      : file_(fs::canonical(file)), thread_([this] { Watch(); }) {}
  ~OpenFileWatch() { Stop(); }

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Looks at once, besides the looks of the watch's own thread.
  void LookNow() { LookOnce(); }
  int Sightings() const { return sightings_; }
  // "fd N: flags F" for every descriptor seen open for writing.
  std::vector<std::string> WritableOpens() const {
    std::lock_guard lock(mutex_);
    return writable_;
  }

 private:
  void Watch() {
    while (!stop_) {
      LookOnce();
      std::this_thread::sleep_for(200us);
    }
  }
  void LookOnce() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
      std::error_code linkError;
      if (fs::read_symlink(entry.path(), linkError) != file_ || linkError) continue;
      const std::string fd = entry.path().filename().string();
      const long flags = FlagsOf(fd);
      if (flags < 0) continue;  // closed meanwhile
      ++sightings_;
      if ((flags & O_ACCMODE) != O_RDONLY) {
        std::lock_guard lock(mutex_);
        writable_.push_back("fd " + fd + ": flags " + std::to_string(flags));
      }
    }
  }
  static long FlagsOf(const std::string& fd) {
    std::ifstream info("/proc/self/fdinfo/" + fd);
    std::string key;
    std::string value;
    while (info >> key >> value)
      if (key == "flags:") return std::stol(value, nullptr, 8);
    return -1;
  }

  fs::path file_;
  std::atomic<bool> stop_{false};
  std::atomic<int> sightings_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> writable_;
  std::thread thread_;
};

// Writes a file until its file system is full.
void FillUp(const fs::path& file) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  const std::vector<char> block(1 << 16, 'x');
  while (std::fwrite(block.data(), 1, block.size(), out) == block.size()) {
  }
  std::fclose(out);
  std::FILE* more = std::fopen(file.c_str(), "ab");
  ASSERT_NE(more, nullptr);
  while (std::fputc('x', more) != EOF && std::fflush(more) == 0) {
  }
  std::fclose(more);
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A card with live and deleted photos and a video.
class GuaranteesTest : public ::testing::Test {
 protected:
  static constexpr const char* kDrive = "/dev/kova-guarded";

  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat16Options(16 << 20, 4));
    auto& card = card_->Builder();
    ASSERT_TRUE(card_->Formatted().ok());
    ASSERT_TRUE(card.MakeFolder("DCIM").ok());
    for (int i = 1; i <= 4; ++i)
      ASSERT_TRUE(
          card.WriteFile("DCIM/IMG_000" + std::to_string(i) + ".JPG", test::Photo(800, 600, i))
              .ok());
    mkcard::Content video;
    ASSERT_TRUE(mkcard::MakeAviVideo({}, &video).ok());
    ASSERT_TRUE(card.WriteFile("DCIM/MVI_0005.AVI", video).ok());
    ASSERT_TRUE(card.Delete("DCIM/IMG_0002.JPG").ok());
    ASSERT_TRUE(card_->Save().ok());
  }
  static void TearDownTestSuite() { delete card_; }

  // Every operation that reads a card, on `source` read as an image file and as a drive; the
  // outcome code of each. The watch, when given, looks while the scan's input is open for the
  // restore.
  std::vector<int32_t> ScanRestoreAndCopy(const fs::path& source, OpenFileWatch* watch = nullptr) {
    std::vector<int32_t> codes;
    OutputHarness run;
    EXPECT_TRUE(run.ScanImage(source.string()));
    if (watch) watch->LookNow();
    codes.push_back(run.endCode);
    EXPECT_TRUE(run.RestoreImage((out_ / "from-image").string()));
    codes.push_back(run.endCode);
    EXPECT_TRUE(run.ScanDrive(source.string()));
    codes.push_back(run.endCode);
    EXPECT_GE(run.Files().Count(), 5);
    EXPECT_TRUE(run.RestoreDrive(source.string(), (out_ / "from-drive").string()));
    codes.push_back(run.endCode);
    EXPECT_TRUE(run.MakeImage(source.string(), (out_ / "copy.img").string()));
    codes.push_back(run.endCode);
    return codes;
  }

  static FixtureCard* card_;
  test::TempDir out_;
};
FixtureCard* GuaranteesTest::card_ = nullptr;

const std::vector<int32_t> kAllSucceeded(5, kErrNone);

TEST_F(GuaranteesTest, TheSourceIsOnlyEverOpenedForReadingAndStaysByteForByte) {
  const std::vector<uint8_t> before = ReadFileBytes(card_->Image());
  OpenFileWatch watch(card_->Image());
  EXPECT_EQ(ScanRestoreAndCopy(card_->Image(), &watch), kAllSucceeded);
  watch.Stop();
  EXPECT_GT(watch.Sightings(), 0) << "the watch never saw the source open";
  EXPECT_EQ(watch.WritableOpens(), std::vector<std::string>{});
  EXPECT_EQ(ReadFileBytes(card_->Image()), before);
}

// The system's disk service as a program meets it: it hands over a read-only descriptor of a
// drive the user may not open.
class HandingOverBroker final : public IXDeviceAccessBroker {
 public:
  explicit HandingOverBroker(fs::path image) : image_(std::move(image)) {}
  TXAccessGrant Grant(const std::string&, TXAccessPrompt) override {
    return {::open(image_.c_str(), O_RDONLY | O_CLOEXEC), TXAccessRefusal::arNone, {}};
  }
  TXAccessGrant LastRefusal(const std::string&) const override { return {}; }

 private:
  fs::path image_;
};

TEST_F(GuaranteesTest, ADriveHandedOverByTheDiskServiceIsOnlyRead) {
  const std::string drive = "/dev/kova-handed-over";
  TXDeviceOpenerScope locked([&](const std::string& path) {
    return path == drive ? TXDeviceOpening(nullptr, EACCES) : OpenPlatformDevice(path);
  });
  TXDeviceAccessBrokerScope broker(std::make_shared<HandingOverBroker>(card_->Image()));
  const std::vector<uint8_t> before = ReadFileBytes(card_->Image());
  OpenFileWatch watch(card_->Image());
  OutputHarness run;
  ASSERT_TRUE(run.ScanDrive(drive));
  EXPECT_EQ(run.endCode, kErrNone);
  EXPECT_GE(run.Files().Count(), 5);
  ASSERT_TRUE(run.RestoreDrive(drive, (out_ / "handed-over").string()));
  EXPECT_EQ(run.endCode, kErrNone);
  ASSERT_TRUE(run.MakeImage(drive, (out_ / "handed-over.img").string()));
  EXPECT_EQ(run.endCode, kErrNone);
  watch.Stop();
  EXPECT_GT(watch.Sightings(), 0) << "the watch never saw the source open";
  EXPECT_EQ(watch.WritableOpens(), std::vector<std::string>{});
  EXPECT_EQ(ReadFileBytes(card_->Image()), before);
}

TEST_F(GuaranteesTest, ASourceOnAReadOnlyFileSystemIsReadCompletely) {
  TmpFileSystem readOnly(out_ / "ro", "size=32m");
  if (!readOnly.Mounted()) GTEST_SKIP() << "a file system cannot be mounted here";
  const fs::path source = out_ / "ro" / "card.img";
  fs::copy_file(card_->Image(), source);
  ASSERT_TRUE(readOnly.MakeReadOnly());
  EXPECT_EQ(ScanRestoreAndCopy(source), kAllSucceeded);
  EXPECT_EQ(ReadFileBytes(source), ReadFileBytes(card_->Image()));
}

TEST_F(GuaranteesTest, ARestoreLeavesEveryExistingFileAsItWas) {
  const fs::path folder = out_ / "restored";
  fs::create_directories(folder);
  const std::vector<uint8_t> mine = test::NoiseBytes(1000, 3);
  for (const char* name : {"IMG_0001.JPG", "IMG_00011.JPG", "MVI_0005.AVI", "_MG_0002.JPG"})
    test::WriteFileBytes(folder / name, mine);
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(card_->Image().string()));
  ASSERT_TRUE(run.RestoreImage(folder.string()));
  ASSERT_TRUE(run.RestoreImage(folder.string()));  // twice: the first copies are kept as well
  EXPECT_EQ(run.endCode, kErrNone);
  for (const char* name : {"IMG_0001.JPG", "IMG_00011.JPG", "MVI_0005.AVI", "_MG_0002.JPG"})
    EXPECT_EQ(ReadFileBytes(folder / name), mine) << name;
  ASSERT_EQ(run.restored.size(), 2u * static_cast<size_t>(run.Files().Count()));
  std::vector<std::string> written;
  for (const auto& file : run.restored) {
    EXPECT_EQ(file.Result, rrSaved) << file.FileName;
    written.push_back(file.FileName);
  }
  std::sort(written.begin(), written.end());
  EXPECT_EQ(std::adjacent_find(written.begin(), written.end()), written.end())
      << "two files were written under one name";
  EXPECT_NE(std::find(written.begin(), written.end(), (folder / "IMG_00012.JPG").string()),
            written.end());
}

TEST_F(GuaranteesTest, AnImageThatDoesNotFitIsRefusedBeforeAnythingIsWritten) {
  TmpFileSystem small(out_ / "small", "size=1m");
  if (!small.Mounted()) GTEST_SKIP() << "a file system cannot be mounted here";
  const fs::path image = out_ / "small" / "card.img";
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage(card_->Image().string(), image.string()));
  EXPECT_EQ(run.endCode, kErrWrite);
  EXPECT_EQ(run.endError.OSError, ENOSPC);
  ASSERT_EQ(run.logs.size(), 1u);
  EXPECT_EQ(run.logs[0], ImageSpaceShortage(image.string(), fs::file_size(card_->Image())));
  EXPECT_NE(run.logs[0].find((out_ / "small").string()), std::string::npos) << run.logs[0];
  EXPECT_TRUE(fs::is_empty(out_ / "small"));
  EXPECT_EQ(run.gear.Data().ImageFile, "");
}

// The disk fills up while the copy runs (the card holds the copy while the test fills it): the
// copy fails, says so, and leaves no file that could pass for an image.
TEST_F(GuaranteesTest, ADiskThatFillsDuringTheCopyLeavesNoImage) {
  TmpFileSystem room(out_ / "room", "size=20m");
  if (!room.Mounted()) GTEST_SKIP() << "a file system cannot be mounted here";
  const fs::path image = out_ / "room" / "card.img";
  auto plan = std::make_shared<TXFaultPlan>();
  plan->HoldAtRead = 30;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
  OutputHarness run;
  ASSERT_TRUE(
      run.Start(MakeRef<TXDRCopyCardToImageWorkCommand>(&run.gear, kDrive, 0, image.string())));
  plan->WaitUntilHeld();
  FillUp(out_ / "room" / "other.dat");
  plan->Release();
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(run.endCode, kErrWrite);
  EXPECT_EQ(std::count(run.logs.begin(), run.logs.end(), Lg().Word(lg::kImageLogFinished)), 0)
      << "a failed image is never called finished";
  ASSERT_GE(run.logs.size(), 2u);
  EXPECT_NE(run.logs[run.logs.size() - 2].find(image.string()), std::string::npos)
      << run.logs[run.logs.size() - 2];
  EXPECT_EQ(run.logs.back(),
            Lg().Format(lg::kImageLogRemoved, {(out_ / "room" / "card.incomplete.img").string()}));
  EXPECT_EQ(Names(out_ / "room"), std::vector<std::string>{"other.dat"});
  EXPECT_EQ(run.gear.Data().ImageFile, "");
}

TEST_F(GuaranteesTest, ARestoreOntoADiskThatFillsUpLeavesOnlyWholeFiles) {
  // Room for the first three photos; the video and the last photo do not fit.
  TmpFileSystem small(out_ / "small", "size=96k");
  if (!small.Mounted()) GTEST_SKIP() << "a file system cannot be mounted here";
  const std::vector<uint8_t> card = ReadFileBytes(card_->Image());
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(card_->Image().string()));
  ASSERT_TRUE(run.RestoreImage((out_ / "small").string()));
  EXPECT_EQ(run.endCode, kErrWrite);
  size_t saved = 0;
  size_t failed = 0;
  for (const auto& file : run.restored) {
    if (file.Result == rrFailed) {
      ++failed;
      EXPECT_EQ(file.FileName, "") << file.Name;
      continue;
    }
    ++saved;
    EXPECT_EQ(file.Result, rrSaved) << file.Name;
    const TXDRFileItem* item = run.Find(file.Name);
    ASSERT_NE(item, nullptr) << file.Name;
    std::vector<uint8_t> content;
    for (const TXBlock& b : item->Blocks())
      content.insert(content.end(), card.begin() + b.Start, card.begin() + b.End());
    EXPECT_EQ(ReadFileBytes(file.FileName), content) << file.FileName;
  }
  EXPECT_GE(saved, 1u);
  EXPECT_GE(failed, 1u);
  EXPECT_EQ(Names(out_ / "small").size(), saved);
}

// A large card with big photos and a video, read as a drive.
class ScanCancelTest : public ::testing::Test {
 protected:
  static constexpr const char* kDrive = "/dev/kova-large";

  static void SetUpTestSuite() {
    card_ = new FixtureCard(test::Fat16Options(96 << 20, 4));
    ASSERT_TRUE(card_->Formatted().ok());
    for (int i = 1; i <= 24; ++i) {
      const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
      ASSERT_TRUE(card_->Builder().WriteFile(name, test::Photo(1600, 1200, i, true)).ok());
    }
    mkcard::VideoOptions options;
    options.frames = 60;
    mkcard::Content video;
    ASSERT_TRUE(mkcard::MakeAviVideo(options, &video).ok());
    ASSERT_TRUE(card_->Builder().WriteFile("MVI_2000.AVI", video).ok());
    ASSERT_TRUE(card_->Save().ok());

    auto plan = std::make_shared<TXFaultPlan>();
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
    OutputHarness run;
    ASSERT_TRUE(run.ScanDrive(kDrive));
    ASSERT_EQ(run.endCode, kErrNone);
    healthyReads_ = plan->Reads;
  }
  static void TearDownTestSuite() { delete card_; }

  static FixtureCard* card_;
  static int healthyReads_;
};
FixtureCard* ScanCancelTest::card_ = nullptr;
int ScanCancelTest::healthyReads_ = 0;

// Whatever the scan is doing when the cancel comes (walking folders, searching, measuring or
// thumbnailing a photo or the video), the read under way is its last once the card is open
// (opening it reads a few windows of the device's facts and the volume first).
TEST_F(ScanCancelTest, AScanCancelledDuringAnyReadReadsNothingMore) {
  constexpr int kOpeningReads = 5;
  std::mt19937 random(912);
  std::uniform_int_distribution<int> moment(kOpeningReads + 1, healthyReads_ - 1);
  for (int round = 0; round < 8; ++round) {
    const int cancelAt = moment(random);
    SCOPED_TRACE("cancelled during read " + std::to_string(cancelAt));
    auto plan = std::make_shared<TXFaultPlan>();
    plan->HoldAtRead = cancelAt;
    TXDeviceOpenerScope scope(FaultyDeviceOpener(kDrive, card_->Image().string(), plan));
    OutputHarness run;
    ASSERT_TRUE(run.Start(MakeRef<TXDRDiskDeepScanWorkCommand>(&run.gear, kDrive)));
    plan->WaitUntilHeld();
    run.gear.CancelRun();
    plan->Release();
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.endCode, kErrCancelled);
    EXPECT_EQ(plan->Reads, cancelAt);
  }
}

}  // namespace
}  // namespace kova
