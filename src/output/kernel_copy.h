#pragma once

#include <cstdint>

#include "framework/stream.h"

namespace kova {

// Copies `size` bytes of the file `in` from offset `from` into the file `out` at offset `to`
// without passing them through this process. Answers the bytes copied (fewer at the end of `in`),
// or minus the OS error when nothing could be copied.
using TXKernelCopy = int64_t (*)(int in, int64_t from, int out, int64_t to, int64_t size);

// The kernel's copy_file_range.
int64_t CopyFileRange(int in, int64_t from, int out, int64_t to, int64_t size);

// Whether an OS error of the kernel copy means that these two files can never be copied this way
// (other file systems, no support), as opposed to a failure of one stretch (a read error).
bool KernelCopyRefused(int osError);

// The descriptor of the image file that a buffered file stream reads, else -1.
int ImageFileHandle(TXStream& source);

// The descriptor of a file stream, else -1.
int FileHandle(TXStream& dest);

}  // namespace kova
