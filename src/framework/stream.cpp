#include "framework/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/error_data.h"

namespace kova {

int64_t SeekTarget(int64_t offset, TXSeekOrigin origin, int64_t position, int64_t size) {
  int64_t target = offset;
  if (origin == TXSeekOrigin::soCurrent) target = position + offset;
  if (origin == TXSeekOrigin::soEnd) target = size + offset;
  return std::max<int64_t>(0, target);
}

int64_t SeekWithin(int64_t offset, TXSeekOrigin origin, int64_t position, int64_t size) {
  return std::min(SeekTarget(offset, origin, position, size), size);
}

int64_t TXStream::GetSize() {
  int64_t position = Seek(0, TXSeekOrigin::soCurrent);
  int64_t size = Seek(0, TXSeekOrigin::soEnd);
  Seek(position, TXSeekOrigin::soBeginning);
  return size;
}

void TXStream::SetSize(int64_t) {}

void TXStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) RaiseThreadError(kErrRead, 0, "read past the end");
}

void TXStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) RaiseThreadError(kErrWrite, 0, "write failed");
}

int64_t TXStream::CopyFrom(TXStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int64_t kChunk = 1 << 20;
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min(count, kChunk)));
  int64_t copied = 0;
  while (copied < count) {
    int64_t n = std::min<int64_t>(count - copied, static_cast<int64_t>(chunk.size()));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    copied += n;
  }
  return copied;
}

std::vector<uint8_t> TXStream::ReadRemaining() {
  int64_t remaining = std::max<int64_t>(0, Size() - Position());
  std::vector<uint8_t> bytes(static_cast<size_t>(remaining));
  bytes.resize(static_cast<size_t>(std::max<int64_t>(0, Read(bytes.data(), remaining))));
  return bytes;
}

int64_t TXMemoryStream::Read(void* buffer, int64_t count) {
  int64_t available = std::max<int64_t>(0, GetSize() - position_);
  int64_t n = std::clamp<int64_t>(count, 0, available);
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TXMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (position_ + count > GetSize()) bytes_.resize(static_cast<size_t>(position_ + count));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t TXMemoryStream::Seek(int64_t offset, TXSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, GetSize());
  return position_;
}

void TXMemoryStream::SetSize(int64_t size) {
  bytes_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
  position_ = std::min(position_, GetSize());
}

void TXMemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

TXFileStream::TXFileStream(const std::string& fileName, TXFileMode mode) : fileName_(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TXFileMode::fmOpenRead:
      flags |= O_RDONLY;
      break;
    case TXFileMode::fmOpenReadWrite:
      flags |= O_RDWR;
      break;
    case TXFileMode::fmCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case TXFileMode::fmCreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
  }
  fd_ = ::open(fileName.c_str(), flags, 0644);
  if (fd_ < 0) {
    int error = errno;
    int32_t code = error == ENOENT                                         ? kErrFileNotFound
                   : (error == EACCES || error == EPERM || error == EROFS) ? kErrFileAccessDenied
                                                                           : kErrOsError;
    RaiseThreadError(code, error, fileName);
  }
}

TXFileStream::~TXFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TXFileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, bytes + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseThreadError(kErrRead, errno, fileName_);
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t TXFileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  auto* bytes = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, bytes + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseThreadError(kErrWrite, errno, fileName_);
    done += n;
  }
  return done;
}

int64_t TXFileStream::Seek(int64_t offset, TXSeekOrigin origin) {
  const int64_t position = origin == TXSeekOrigin::soCurrent ? ::lseek(fd_, 0, SEEK_CUR) : 0;
  if (position < 0) RaiseThreadError(kErrSeek, errno, fileName_);
  const int64_t size = origin == TXSeekOrigin::soEnd ? GetSize() : 0;
  off_t result = ::lseek(fd_, SeekTarget(offset, origin, position, size), SEEK_SET);
  if (result < 0) RaiseThreadError(kErrSeek, errno, fileName_);
  return result;
}

int64_t TXFileStream::GetSize() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) RaiseThreadError(kErrRead, errno, fileName_);
  return info.st_size;
}

void TXFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, size) != 0) RaiseThreadError(kErrWrite, errno, fileName_);
}

}  // namespace kova
