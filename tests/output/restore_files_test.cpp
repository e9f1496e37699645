#include "output/restore_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "fat/card_fixture.h"
#include "framework/error_data.h"
#include "framework/worker.h"
#include "output/restore_thread.h"
#include "recovery/file_collection.h"
#include "storage/buf_stream.h"
#include "storage/disk_io.h"
#include "support/faulty_device.h"
#include "support/flaky_stream.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  return {bytes.begin() + static_cast<ptrdiff_t>(from),
          bytes.begin() + static_cast<ptrdiff_t>(from + count)};
}

TEST(UniqueFileName, NumbersAreAppendedWithoutSeparatorAfterTakenNamesAndFolders) {
  TempDir dir;
  const std::string wanted = (dir / "IMG_0001.JPG").string();
  EXPECT_EQ(UniqueFileName(wanted), wanted);
  WriteFileBytes(dir / "IMG_0001.JPG", {1});
  WriteFileBytes(dir / "IMG_00011.JPG", {2});
  EXPECT_EQ(UniqueFileName(wanted), (dir / "IMG_00012.JPG").string());
  fs::create_directory(dir / "IMG_00012.JPG");
  fs::create_symlink(dir / "nowhere", dir / "IMG_00013.JPG");
  EXPECT_EQ(UniqueFileName(wanted), (dir / "IMG_00014.JPG").string());
  EXPECT_EQ(UniqueFileName((dir / "README").string()), (dir / "README").string());

  const std::string nested = (dir / "a" / "b" / "x.avi").string();
  EXPECT_EQ(UniqueFileName(nested), nested);
  EXPECT_TRUE(fs::is_directory(dir / "a" / "b")) << "the folder part is created";
}

TEST(UniqueFileName, CreatingNeverReplacesWhatAppearedMeanwhile) {
  TempDir dir;
  const std::string wanted = (dir / "IMG_0001.JPG").string();
  const std::string planned = UniqueFileName(wanted);
  // Another program takes the planned name (and the next one, through a dangling link) first.
  WriteFileBytes(planned, {7, 7, 7});
  fs::create_symlink(dir / "elsewhere", dir / "IMG_00011.JPG");
  std::string created;
  auto file = CreateUniqueFile(wanted, created);
  ASSERT_TRUE(file);
  EXPECT_EQ(created, (dir / "IMG_00012.JPG").string());
  EXPECT_EQ(ReadFileBytes(planned), (std::vector<uint8_t>{7, 7, 7}));
  EXPECT_FALSE(fs::exists(dir / "elsewhere")) << "a link is never followed";
}

TEST(SafeFileName, NamesFromTheCardStayInsideTheRestoreFolder) {
  EXPECT_EQ(SafeFileName("!MG_0006.JPG"), "!MG_0006.JPG");
  EXPECT_EQ(SafeFileName("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(SafeFileName(".."), "_");
  EXPECT_EQ(SafeFileName("."), "_");
  EXPECT_EQ(SafeFileName(std::string("a\0b.jpg", 7)), "a_b.jpg");
  const std::string longName = std::string(300, 'x') + ".jpg";
  const std::string shortened = SafeFileName(longName);
  EXPECT_LE(shortened.size(), 245u);
  EXPECT_TRUE(shortened.ends_with(".jpg"));
}

// A stretch of a real card image, read through the medium's buffered window.
class CopyBlocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = test::NoiseBytes(3 * kMediumWindowSize + 1000, 5);
    WriteFileBytes(dir_ / "card.img", bytes_);
  }

  TempDir dir_;
  std::vector<uint8_t> bytes_;
};

TEST_F(CopyBlocksTest, TheFileIsTheConcatenationOfItsExtentsAcrossWindows) {
  TXBufFileStream source((dir_ / "card.img").string());
  TXBlocks blocks;
  blocks.Add(kMediumWindowSize - 100, 300);                     // across a window boundary
  blocks.Add(10, 20);                                           // backwards on the medium
  blocks.Add(2 * kMediumWindowSize, kMediumWindowSize + 1000);  // to the very end
  TXMemoryStream dest;
  ASSERT_TRUE(TXExtentCopier().CopyBlocks(blocks, source, dest));
  std::vector<uint8_t> expected = Slice(bytes_, kMediumWindowSize - 100, 300);
  for (auto part :
       {Slice(bytes_, 10, 20), Slice(bytes_, 2 * kMediumWindowSize, kMediumWindowSize + 1000)})
    expected.insert(expected.end(), part.begin(), part.end());
  EXPECT_EQ(dest.Bytes(), expected);
  EXPECT_EQ(ThreadError().Code, kErrNone);
}

TEST_F(CopyBlocksTest, UnreadableStretchesBecomeZerosAndTheCopyGoesOn) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->BadRanges.push_back({kMediumWindowSize + 5000, 512});  // touches two sectors
  TXDeviceOpenerScope scope(
      FaultyDeviceOpener("/dev/kova-bad", (dir_ / "card.img").string(), plan));
  TXDiskIO drive;
  ASSERT_TRUE(drive.Open("/dev/kova-bad"));
  TXBlocks blocks;
  blocks.Add(kMediumWindowSize - 10, kMediumWindowSize + 20);
  TXMemoryStream dest;
  TXExtentCopier copier;
  ASSERT_TRUE(copier.CopyBlocks(blocks, *drive.Stream(), dest));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  std::vector<uint8_t> expected = Slice(bytes_, kMediumWindowSize - 10, kMediumWindowSize + 20);
  std::fill_n(expected.begin() + 10 + 4608, 1024, 0);  // the bad sectors alone read as zeros
  EXPECT_EQ(dest.Bytes(), expected);
  EXPECT_EQ(copier.Unreadable(), 1024);

  // Later files that share the window: one that takes in the bad sectors is damaged without the
  // card being asked again, one beside them is whole.
  const int failedReads = plan->MostFailedReadsOfARange();
  TXBlocks touching, beside;
  touching.Add(kMediumWindowSize + 4600, 100);
  beside.Add(kMediumWindowSize + 9000, 100);
  TXMemoryStream damaged;
  ASSERT_TRUE(copier.CopyBlocks(touching, *drive.Stream(), damaged));
  EXPECT_EQ(ThreadError().Code, kErrRead);
  std::vector<uint8_t> holed = Slice(bytes_, kMediumWindowSize + 4600, 100);
  std::fill(holed.begin() + 8, holed.end(), 0);
  EXPECT_EQ(damaged.Bytes(), holed);
  EXPECT_EQ(copier.Unreadable(), 92);
  TXMemoryStream whole;
  ASSERT_TRUE(copier.CopyBlocks(beside, *drive.Stream(), whole));
  EXPECT_EQ(ThreadError().Code, kErrNone);
  EXPECT_EQ(whole.Bytes(), Slice(bytes_, kMediumWindowSize + 9000, 100));
  EXPECT_EQ(copier.Unreadable(), 0);
  EXPECT_EQ(plan->MostFailedReadsOfARange(), failedReads) << "a bad sector is asked for once";

  // A stream without a window gives the same answer.
  test::FlakyStream flaky(bytes_);
  flaky.FailRange(100, 10);
  TXBlocks small;
  small.Add(50, 100);
  TXMemoryStream plain;
  ASSERT_TRUE(TXExtentCopier().CopyBlocks(small, flaky, plain));
  EXPECT_EQ(plain.Bytes(), std::vector<uint8_t>(100, 0));
  EXPECT_EQ(ThreadError().Code, kErrRead);
}

TEST_F(CopyBlocksTest, VanishedMediumAndExtentsBeyondTheEndStopTheFile) {
  TXBufFileStream source((dir_ / "card.img").string());
  TXBlocks beyond;
  beyond.Add(static_cast<int64_t>(bytes_.size()) - 10, 50);
  TXMemoryStream dest;
  EXPECT_FALSE(TXExtentCopier().CopyBlocks(beyond, source, dest));
  EXPECT_EQ(ThreadError().Code, kErrEndOfStream);
  EXPECT_EQ(dest.Bytes(), Slice(bytes_, bytes_.size() - 10, 10));

  auto plan = std::make_shared<TXFaultPlan>();
  TXDeviceOpenerScope scope(
      FaultyDeviceOpener("/dev/kova-gone", (dir_ / "card.img").string(), plan));
  TXDiskIO drive;
  ASSERT_TRUE(drive.Open("/dev/kova-gone"));
  plan->VanishAfterReads = plan->Reads + 1;
  TXBlocks whole;
  whole.Add(0, 2 * kMediumWindowSize);
  TXMemoryStream partial;
  EXPECT_FALSE(TXExtentCopier().CopyBlocks(whole, *drive.Stream(), partial));
  EXPECT_EQ(ThreadError().Code, kErrNotReady);
  EXPECT_EQ(partial.Bytes(), Slice(bytes_, 0, kMediumWindowSize));
}

// RestoreFiles over a collection made by hand, read from a card image file.
class RestoreFilesTest : public CopyBlocksTest {
 protected:
  TXDRFileItem* Add(std::string name, int64_t start, int64_t size, bool checked = true) {
    TXDRFileItem* item = files_.Add();
    item->Name = std::move(name);
    item->Ext = fs::path(item->Name).extension().string();
    item->EditBlocks().Add(start, size);
    item->Checked = checked;
    return item;
  }
  TXRestoreTally Restore(const fs::path& folder) {
    TXBufFileStream source((dir_ / "card.img").string());
    return RestoreFiles(folder.string() + "/", files_, source, *worker_);
  }
  std::vector<std::string> Written(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TXDRFileCollection files_;
  TXRef<TXWorker> worker_ = MakeRef<TXWorker>();
};

TEST_F(RestoreFilesTest, CheckedFilesAreWrittenUnderTheirNamesWithoutReplacingAnything) {
  const fs::path out = dir_ / "out";
  fs::create_directories(out);
  WriteFileBytes(out / "IMG_0001.JPG", {1, 2, 3});
  WriteFileBytes(out / "IMG_00011.JPG", {4});
  Add("IMG_0001.JPG", 1000, 5000);
  Add("!MG_0002.JPG", 9000, 700);
  Add("EMPTY.JPG", 0, 0);
  Add("SKIPPED.JPG", 0, 10, false);
  const TXRestoreTally tally = Restore(out);
  EXPECT_EQ(tally.Saved, 3);
  EXPECT_EQ(tally.Failed, 0);
  EXPECT_EQ(tally.Bytes, 5700);
  EXPECT_EQ(Written(out), (std::vector<std::string>{"!MG_0002.JPG", "EMPTY.JPG", "IMG_0001.JPG",
                                                    "IMG_00011.JPG", "IMG_00012.JPG"}));
  EXPECT_EQ(ReadFileBytes(out / "IMG_00012.JPG"), Slice(bytes_, 1000, 5000));
  EXPECT_EQ(ReadFileBytes(out / "!MG_0002.JPG"), Slice(bytes_, 9000, 700));
  EXPECT_EQ(fs::file_size(out / "EMPTY.JPG"), 0u);
  EXPECT_EQ(ReadFileBytes(out / "IMG_0001.JPG"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(worker_->GetProgress().GetPosition(), 1000);
}

TEST_F(RestoreFilesTest, NothingCheckedWritesNothingAndStillCompletesTheProgress) {
  Add("A.JPG", 0, 100, false);
  Add("B.JPG", 100, 100, false);
  const fs::path out = dir_ / "none";
  const TXRestoreTally tally = Restore(out);
  EXPECT_EQ(tally.Saved + tally.Damaged + tally.Failed, 0);
  EXPECT_TRUE(Written(out).empty());
  EXPECT_EQ(worker_->GetProgress().GetPosition(), 1000);
}

TEST_F(RestoreFilesTest, ATerminatedWorkerStopsTheLoop) {
  Add("A.JPG", 0, 100);
  worker_->Cancel();
  const fs::path out = dir_ / "stopped";
  EXPECT_EQ(Restore(out).Saved, 0);
  EXPECT_TRUE(Written(out).empty());
}

}  // namespace
}  // namespace kova
