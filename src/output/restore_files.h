#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/stream.h"
#include "output/kernel_copy.h"
#include "recovery/blocks.h"

namespace kova {

class IXByteWindow;

// A found file's name as a file name inside the restore folder: path separators, NUL and other
// control characters become "_", "." and ".." become "_", and a name longer than the file system
// allows is shortened before its extension, between two UTF-8 characters. An empty name stays
// empty.
std::string SafeFileName(std::string_view name);

// The first of path, base + "1" + ext, base + "2" + ext, ... (ext with its dot) that names
// neither a file nor a folder, after creating the folder part of path. Empty when every numbered
// name is taken.
std::string UniqueFileName(const std::string& path);

// The n-th name of that sequence (0 gives path itself).
std::string NumberedFileName(const std::string& path, int64_t number);

// Creates a new file named by the rule of UniqueFileName. A name taken meanwhile (by another
// program) is passed over for the next number, so an existing file is never opened or replaced.
// Answers the open file with its name in createdName; nullptr with the thread's error record set
// when no file could be created.
std::unique_ptr<TXFileStream> CreateUniqueFile(const std::string& path, std::string& createdName);

// Copies the extents of found files from the medium into new files. It remembers the stretches
// of the medium whose reads failed: the medium's buffered window keeps a failed stretch as zeros
// and shows it again without an error, so a later file that shares the stretch is still known to
// hold zeros there.
//
// Whole windows of an image file are copied in the kernel when the restore folder lies on the same
// file system, with exactly the result of the buffered window: a window that the kernel cannot
// copy whole, or that failed before, goes through the buffered window after all.
class TXExtentCopier {
 public:
  // kernelCopy copies between files in the kernel; nullptr copies everything through the window.
  explicit TXExtentCopier(TXKernelCopy kernelCopy = CopyFileRange);

  // Copies the bytes of every extent of the source, in list order, to dest's position. Clears
  // the thread's error record first. An unreadable stretch of the medium is copied as zeros and
  // leaves a read error (44, or 13) in the record; a vanished medium (11), an extent beyond the
  // end of the source (39) or a failed write end the copy with false.
  bool CopyBlocks(const TXBlocks& blocks, TXStream& source, TXStream& dest);

  // Writes the extents into a new file made by CreateUniqueFile from path, which is closed in
  // every case; a partly written file stays in place (the restore removes it). savedName is the
  // name used (empty when no file was created).
  bool SaveBlocksToFile(const TXBlocks& blocks, TXStream& source, const std::string& path,
                        std::string& savedName);

  // The bytes of the last copy that are zeros because the medium could not be read there.
  int64_t Unreadable() const { return unreadable_; }

  // Told the byte count of every stretch written, as the copy goes.
  std::function<void(int64_t bytes)> OnCopied;

 private:
  void Copied(int64_t bytes) const;
  // A new source: forgets the failed stretches of the last one and empties its window.
  void Adopt(TXStream& source);
  void CopyExtent(const TXBlock& block, TXStream& source, TXStream& dest);
  void CopyWindows(TXStream& source, IXByteWindow& window, int64_t start, int64_t size,
                   TXStream& dest);
  // The window size for kernel copies between these two, 0 when they cannot be made.
  int64_t KernelWindowSize(TXStream& source, TXStream& dest) const;
  // Copies one whole window in the kernel to dest's position and moves that on; false, with
  // dest's position unchanged, when it could not.
  bool CopyWindowInKernel(TXStream& source, int64_t start, int64_t size, TXStream& dest);
  void CopyThroughWindow(TXStream& source, IXByteWindow& window, int64_t start, int64_t size,
                         TXStream& dest);
  std::span<const uint8_t> WindowOrZeros(TXStream& source, IXByteWindow& window, int64_t pos);
  // Records a read error for a stretch that overlaps a failed one (or at pos, when `known`),
  // unless one is recorded.
  void NoteFailedStretch(int64_t pos, int64_t size, bool known = false) const;
  void CountUnreadable(const TXBlocks& blocks, TXStream& source);
  const TXBlock* FailedStretchWithin(int64_t pos, int64_t size) const;

  TXKernelCopy kernelCopy_;
  bool kernelRefused_ = false;
  TXStream* source_ = nullptr;
  std::vector<TXBlock> failed_;
  int64_t unreadable_ = 0;
};

}  // namespace kova
