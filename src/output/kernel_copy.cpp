#include "output/kernel_copy.h"

#include <unistd.h>

#include <cerrno>

#include "storage/buf_stream.h"

namespace kova {

int64_t CopyFileRange(int in, int64_t from, int out, int64_t to, int64_t size) {
  loff_t inOffset = from;
  loff_t outOffset = to;
  for (;;) {
    const ssize_t n =
        ::copy_file_range(in, &inOffset, out, &outOffset, static_cast<size_t>(size), 0);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

bool KernelCopyRefused(int osError) {
  switch (osError) {
    case EXDEV:
    case EINVAL:
    case ENOSYS:
    case EOPNOTSUPP:
    case EBADF:
    case EPERM:
    case ETXTBSY:
      return true;
    default:
      return false;
  }
}

int ImageFileHandle(TXStream& source) {
  auto* buffered = dynamic_cast<TXBufFileStream*>(&source);
  return buffered && buffered->Inner() ? FileHandle(*buffered->Inner()) : -1;
}

int FileHandle(TXStream& dest) {
  auto* file = dynamic_cast<TXFileStream*>(&dest);
  return file ? file->Handle() : -1;
}

}  // namespace kova
