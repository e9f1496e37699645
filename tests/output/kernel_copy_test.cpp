#include "output/kernel_copy.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "framework/error_data.h"
#include "output/restore_files.h"
#include "storage/buf_stream.h"
#include "support/test_files.h"
#include "support/test_paths.h"

// Copying whole windows of an image file in the kernel must give exactly what the buffered window
// gives: the same bytes, the same zeros for a window that cannot be read, the same error record.
namespace kova {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;

constexpr int64_t kWindow = kMediumWindowSize;

// What the kernel was asked, and the window that the disk under the image file cannot read.
struct KernelLog {
  int calls = 0;
  int64_t badWindow = -1;  // a copy over it writes half of it, then fails with EIO
  int refuseWith = 0;      // every copy fails with this error
};
KernelLog kernel;

int64_t LoggedCopy(int in, int64_t from, int out, int64_t to, int64_t size) {
  ++kernel.calls;
  if (kernel.refuseWith != 0) return -kernel.refuseWith;
  const int64_t bad = kernel.badWindow;
  if (bad >= 0 && from < bad + kWindow && from + size > bad) {
    const int64_t before = std::max<int64_t>(bad - from, 0);
    const int64_t copied = before > 0 ? CopyFileRange(in, from, out, to, before) : 0;
    if (copied < before) return copied;
    // The kernel gets half of the bad window out before the read error.
    const std::vector<uint8_t> junk(kWindow / 2, 0xEE);
    if (::pwrite(out, junk.data(), junk.size(), to + before) < 0) return -errno;
    return before > 0 ? before : -EIO;
  }
  return CopyFileRange(in, from, out, to, size);
}

// An image file on a disk with a bad sector: reading the window that holds it fails.
class FailingImageFile : public TXBufFileStream {
 public:
  FailingImageFile(const std::string& name, int64_t badWindow)
      : TXBufFileStream(name), badWindow_(badWindow) {}

 protected:
  void FillWindow() override {
    if (BeginFill() == badWindow_) {
      FailFill(kErrRead, EIO, FileName() + ": " + std::strerror(EIO));
      return;
    }
    TXBufFileStream::FillWindow();
  }

 private:
  int64_t badWindow_;
};

struct Copy {
  bool ok = false;
  std::vector<uint8_t> bytes;
  int32_t code = kErrNone;
};

class KernelCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kernel = KernelLog{};
    bytes_ = test::NoiseBytes(6 * kWindow + 1000, 11);
    test::WriteFileBytes(Image(), bytes_);
  }

  std::string Image() const { return (dir_ / "card.img").string(); }

  // Copies every list in turn with one copier, each into a file of its own.
  std::vector<Copy> CopyAll(TXStream& source, const std::vector<TXBlocks>& lists,
                            TXKernelCopy kernelCopy, const std::string& tag) {
    TXExtentCopier copier(kernelCopy);
    std::vector<Copy> copies;
    for (size_t i = 0; i < lists.size(); ++i) {
      const fs::path name = dir_ / (tag + std::to_string(i));
      Copy copy;
      {
        TXFileStream file(name.string(), TXFileMode::fmCreateNew);
        copy.ok = copier.CopyBlocks(lists[i], source, file);
        copy.code = ThreadError().Code;
      }
      copy.bytes = ReadFileBytes(name);
      copies.push_back(std::move(copy));
    }
    return copies;
  }

  void ExpectSame(const std::vector<Copy>& kernelCopies, const std::vector<Copy>& windowCopies) {
    ASSERT_EQ(kernelCopies.size(), windowCopies.size());
    for (size_t i = 0; i < kernelCopies.size(); ++i) {
      EXPECT_EQ(kernelCopies[i].ok, windowCopies[i].ok) << "list " << i;
      EXPECT_EQ(kernelCopies[i].code, windowCopies[i].code) << "list " << i;
      EXPECT_TRUE(kernelCopies[i].bytes == windowCopies[i].bytes) << "list " << i;
    }
  }

  std::vector<uint8_t> Slice(int64_t from, int64_t count) const {
    return {bytes_.begin() + from, bytes_.begin() + from + count};
  }

  TempDir dir_;
  std::vector<uint8_t> bytes_;
};

TXBlocks Extents(std::initializer_list<TXBlock> blocks) {
  TXBlocks list;
  for (const TXBlock& block : blocks)
    list.Add(block.Start, block.Size);
  return list;
}

TEST_F(KernelCopyTest, WholeWindowsGoThroughTheKernelAndTheFilesAreTheSame) {
  const std::vector<TXBlocks> lists = {
      Extents({{100, 3 * kWindow}}),                    // two whole windows between two parts
      Extents({{kWindow, 2 * kWindow}, {10, 20}}),      // whole windows, then backwards
      Extents({{4 * kWindow, 2 * kWindow + 1000}}),     // to the very end
      Extents({{5 * kWindow - 7, 14}, {0, kWindow}})};  // a boundary, the first window
  TXBufFileStream windowSource(Image());
  const std::vector<Copy> windowCopies = CopyAll(windowSource, lists, nullptr, "w");
  EXPECT_EQ(kernel.calls, 0);
  TXBufFileStream kernelSource(Image());
  ExpectSame(CopyAll(kernelSource, lists, LoggedCopy, "k"), windowCopies);
  EXPECT_EQ(kernel.calls, 2 + 2 + 2 + 1);
  EXPECT_EQ(windowCopies[0].bytes, Slice(100, 3 * kWindow));
  EXPECT_EQ(windowCopies[2].bytes, Slice(4 * kWindow, 2 * kWindow + 1000));
  EXPECT_EQ(windowCopies[0].code, kErrNone);
}

TEST_F(KernelCopyTest, AReadErrorInTheKernelGivesTheBufferedWindowsZerosAndRecord) {
  kernel.badWindow = 2 * kWindow;
  const std::vector<TXBlocks> lists = {
      Extents({{kWindow, 3 * kWindow}}),       // over the bad window
      Extents({{2 * kWindow + 500, 1000}}),    // inside it again, later
      Extents({{2 * kWindow, kWindow}}),       // it alone, whole
      Extents({{3 * kWindow, 2 * kWindow}})};  // good windows after it
  FailingImageFile windowSource(Image(), kernel.badWindow);
  const std::vector<Copy> windowCopies = CopyAll(windowSource, lists, nullptr, "w");
  FailingImageFile kernelSource(Image(), kernel.badWindow);
  ExpectSame(CopyAll(kernelSource, lists, LoggedCopy, "k"), windowCopies);

  std::vector<uint8_t> expected = Slice(kWindow, kWindow);
  expected.resize(2 * kWindow, 0);
  const std::vector<uint8_t> after = Slice(3 * kWindow, kWindow);
  expected.insert(expected.end(), after.begin(), after.end());
  EXPECT_EQ(windowCopies[0].bytes, expected);
  EXPECT_TRUE(windowCopies[0].ok);
  EXPECT_EQ(windowCopies[0].code, kErrRead);
  EXPECT_EQ(windowCopies[1].bytes, std::vector<uint8_t>(1000, 0));
  EXPECT_EQ(windowCopies[1].code, kErrRead);
  EXPECT_EQ(windowCopies[2].code, kErrRead);
  EXPECT_EQ(windowCopies[3].code, kErrNone);
  // The bad window is tried in the kernel once; after its failure it is read through the window.
  EXPECT_EQ(kernel.calls, 3 + 2);
}

TEST_F(KernelCopyTest, AWindowThatFailedBeforeTheRestoreIsReadAgain) {
  // A scan read the bad window last and left it, zeros, as the stream's window.
  FailingImageFile source(Image(), 3 * kWindow);
  source.RaiseOnError = false;
  uint8_t byte = 1;
  source.SetPosition(3 * kWindow + 5);
  source.ReadBuffer(&byte, 1);
  ASSERT_EQ(byte, 0);
  ClearThreadError();
  kernel.badWindow = 3 * kWindow;
  const std::vector<Copy> copies = CopyAll(
      source, {Extents({{0, kWindow}}), Extents({{3 * kWindow, kWindow}})}, LoggedCopy, "k");
  EXPECT_EQ(copies[1].bytes, std::vector<uint8_t>(kWindow, 0));
  EXPECT_EQ(copies[1].code, kErrRead) << "zeros that are not the card's must be reported";
}

TEST_F(KernelCopyTest, FilesTheKernelCannotCopyBetweenAreNotAskedAgain) {
  kernel.refuseWith = EXDEV;
  const std::vector<TXBlocks> lists = {Extents({{0, 3 * kWindow}}), Extents({{kWindow, kWindow}})};
  TXBufFileStream windowSource(Image());
  const std::vector<Copy> windowCopies = CopyAll(windowSource, lists, nullptr, "w");
  TXBufFileStream kernelSource(Image());
  ExpectSame(CopyAll(kernelSource, lists, LoggedCopy, "k"), windowCopies);
  EXPECT_EQ(kernel.calls, 1);
  EXPECT_EQ(windowCopies[0].bytes, Slice(0, 3 * kWindow));
}

}  // namespace
}  // namespace kova
