#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "fat/card_fixture.h"
#include "output/output_harness.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "support/test_files.h"

// What a user may rely on whatever happens: the card is only ever read, a restore never replaces
// a file, a full destination is reported, and a cancel is obeyed at once.
namespace kova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FixtureCard;
using test::OutputHarness;
using test::ReadFileBytes;

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
  int Sightings() const { return sightings_; }
  // "fd N: flags F" for every descriptor seen open for writing.
  const std::vector<std::string>& WritableOpens() const { return writable_; }

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
      if ((flags & O_ACCMODE) != O_RDONLY)
        writable_.push_back("fd " + fd + ": flags " + std::to_string(flags));
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
  int sightings_ = 0;
  std::vector<std::string> writable_;
  std::thread thread_;
};

// A tmpfs of its own, mounted while the object lives (needs the right to mount).
class TmpFileSystem {
 public:
  TmpFileSystem(const fs::path& where, const char* options) : where_(where) {
    fs::create_directories(where);
    mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options) == 0;
  }
  ~TmpFileSystem() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  bool MakeReadOnly() {
    return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  fs::path where_;
  bool mounted_ = false;
};

// A card with live and deleted photos and a video.
class GuaranteesTest : public ::testing::Test {
 protected:
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
  // outcome code of each.
  std::vector<int32_t> ScanRestoreAndCopy(const fs::path& source) {
    std::vector<int32_t> codes;
    OutputHarness run;
    EXPECT_TRUE(run.ScanImage(source.string()));
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
  EXPECT_EQ(ScanRestoreAndCopy(card_->Image()), kAllSucceeded);
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
  for (const char* name : {"IMG_0001.JPG", "IMG_00011.JPG", "MVI_0005.AVI", "!MG_0002.JPG"})
    test::WriteFileBytes(folder / name, mine);
  OutputHarness run;
  ASSERT_TRUE(run.ScanImage(card_->Image().string()));
  ASSERT_TRUE(run.RestoreImage(folder.string()));
  ASSERT_TRUE(run.RestoreImage(folder.string()));  // twice: the first copies are kept as well
  EXPECT_EQ(run.endCode, kErrNone);
  for (const char* name : {"IMG_0001.JPG", "IMG_00011.JPG", "MVI_0005.AVI", "!MG_0002.JPG"})
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

TEST_F(GuaranteesTest, AFullDiskFailsTheImageAndSaysSo) {
  TmpFileSystem small(out_ / "small", "size=1m");
  if (!small.Mounted()) GTEST_SKIP() << "a file system cannot be mounted here";
  const fs::path image = out_ / "small" / "card.img";
  OutputHarness run;
  ASSERT_TRUE(run.MakeImage(card_->Image().string(), image.string()));
  EXPECT_EQ(run.endCode, kErrWrite);
  ASSERT_FALSE(run.logs.empty());
  EXPECT_NE(run.logs.back().find(image.string()), std::string::npos) << run.logs.back();
  EXPECT_EQ(std::count(run.logs.begin(), run.logs.end(), Lg().Word(lg::kImageLogFinished)), 0)
      << "a failed image is never called finished";
  EXPECT_NE(run.endError.Text, "");
}

// A large card, read once beforehand so that the scan finds it in the page cache.
class CancelLatencyTest : public ::testing::Test {
 protected:
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
    ReadFileBytes(card_->Image());
  }
  static void TearDownTestSuite() { delete card_; }

  static FixtureCard* card_;
};
FixtureCard* CancelLatencyTest::card_ = nullptr;

TEST_F(CancelLatencyTest, ACancelledScanStopsAtOnce) {
  std::mt19937 random(912);
  std::uniform_int_distribution<int> wait(0, 400);
  std::chrono::steady_clock::duration longest{};
  for (int round = 0; round < 6; ++round) {
    OutputHarness run;
    ASSERT_TRUE(
        run.Start(MakeRef<TXDRDiskImageDeepScanWorkCommand>(&run.gear, card_->Image().string())));
    run.loop.RunUntil([&] { return run.ended; }, std::chrono::milliseconds(wait(random)));
    if (run.ended) continue;  // finished before the cancel; nothing to measure
    const auto requested = std::chrono::steady_clock::now();
    run.gear.CancelRun();
    ASSERT_TRUE(run.WaitForEnd());
    longest = std::max(longest, std::chrono::steady_clock::now() - requested);
    EXPECT_EQ(run.endCode, kErrCancelled);
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
  RecordProperty("longest_cancel_ms", static_cast<int>(ms));
  std::cout << "longest time from cancel to the end of the scan: " << ms << " ms\n";
  // One second is the promise; the margin leaves room for sanitizer builds and a busy machine.
  EXPECT_LT(longest, 5s);
}

}  // namespace
}  // namespace kova
