#include "storage/buf_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <new>

#include "framework/error_data.h"
#include "storage/platform_device.h"

namespace kova {

namespace {

constexpr std::align_val_t kWindowAlignment{4096};

int32_t CodeOf(const std::exception& error) {
  auto* coded = dynamic_cast<const EXError*>(&error);
  return coded ? coded->Code() : kErrNone;
}

}  // namespace

TXCustomBufStream::TXCustomBufStream(TXStream* inner, int32_t bufferSize, bool owns)
    : TXStreamWrapper(inner, owns) {
  SetBufferSize(bufferSize);
  size_ = inner ? inner->Size() : 0;
}

void TXCustomBufStream::SetBufferSize(int32_t size) {
  bufferSize_ = std::max<int32_t>(1, size);
  valid_ = 0;
  holed_ = false;
  windowStart_ = 0;
  buffer_.reset(
      static_cast<uint8_t*>(::operator new[](static_cast<size_t>(bufferSize_), kWindowAlignment)));
}

void TXCustomBufStream::TXWindowFree::operator()(uint8_t* window) const {
  ::operator delete[](window, kWindowAlignment);
}

void TXCustomBufStream::SetSize(int64_t size) {
  size_ = std::max<int64_t>(0, size);
  position_ = std::min(position_, size_);
}

int64_t TXCustomBufStream::Seek(int64_t offset, TXSeekOrigin origin) {
  position_ = SeekWithin(offset, origin, position_, size_);
  return position_;
}

int64_t TXCustomBufStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (position_ >= size_) {
    SetThreadError(kErrEndOfStream, 0, "read at or past the end of the stream");
    CheckErrorPolicy();
    return 0;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t delivered = 0;
  while (delivered < count && position_ < size_) {
    if (!InWindow(position_)) FillWindow();
    int64_t n = std::min({count - delivered, windowStart_ + valid_ - position_, size_ - position_});
    std::memcpy(out + delivered, buffer_.get() + (position_ - windowStart_),
                static_cast<size_t>(n));
    const bool hole = TouchesHole(position_, n);
    delivered += n;
    position_ += n;
    if (hole) RaiseHole();
  }
  return delivered;
}

int64_t TXCustomBufStream::Write(const void*, int64_t) {
  return RefuseWrite();
}

std::span<const uint8_t> TXCustomBufStream::WindowAt(int64_t position) {
  if (position < 0 || position >= size_) return {};
  position_ = position;
  if (!InWindow(position)) {
    FillWindow();
    if (holed_ && badSectors_) RaiseHole();
  }
  int64_t end = std::min(windowStart_ + valid_, size_);
  return {buffer_.get() + (position - windowStart_), static_cast<size_t>(end - position)};
}

int64_t TXCustomBufStream::BeginFill() {
  windowStart_ = position_ - position_ % bufferSize_;
  valid_ = 0;
  holed_ = false;
  return windowStart_;
}

void TXCustomBufStream::EndFill(int64_t count) {
  count = std::clamp<int64_t>(count, 0, bufferSize_);
  std::memset(buffer_.get() + count, 0, static_cast<size_t>(bufferSize_ - count));
  valid_ = bufferSize_;
  if (OnFill) OnFill(*this, windowStart_);
}

void TXCustomBufStream::FailFill(int32_t code, int32_t osError, const std::string& text) {
  HoledFill(0, code, osError, text);
}

void TXCustomBufStream::HoledFill(int64_t count, int32_t code, int32_t osError,
                                  const std::string& text) {
  count = std::clamp<int64_t>(count, 0, bufferSize_);
  std::memset(buffer_.get() + count, 0, static_cast<size_t>(bufferSize_ - count));
  valid_ = bufferSize_;
  if (code == kErrNotReady) RaiseThreadError(code, osError, text);
  hole_ = TXErrorData{};
  hole_.Code = code;
  hole_.OSError = osError;
  hole_.Text = text;
  holed_ = true;
  if (!badSectors_) RaiseHole();
}

void TXCustomBufStream::RaiseHole() {
  SetThreadError(hole_.Code, hole_.OSError, hole_.Text);
  if (RaiseOnError) throw EXError(hole_.Code);
  CheckErrorPolicy();
}

// A read of the window's good bytes gets them; only a read that takes in a hole fails, so
// that a bad sector costs a reader its own bytes, not the window's.
bool TXCustomBufStream::TouchesHole(int64_t position, int64_t count) const {
  return holed_ && badSectors_ && badSectors_->UnreadableWithin(position, count) > 0;
}

void TXCustomBufStream::FillWindow() {
  int64_t start = BeginFill();
  int64_t count = 0;
  try {
    if (TXStream* inner = Inner()) {
      inner->Seek(start, TXSeekOrigin::soBeginning);
      count = inner->Read(buffer_.get(), bufferSize_);
    }
  } catch (const std::exception& error) {
    TXErrorData record = ThreadError();
    int32_t code = CodeOf(error) == kErrNotReady ? kErrNotReady : kErrRead;
    FailFill(code, record.OSError, record.Text.empty() ? error.what() : record.Text);
    return;
  }
  EndFill(count);
}

void TXBufFileStream::FillWindow() {
  int64_t start = BeginFill();
  int fd = static_cast<TXFileStream*>(Inner())->Handle();
  int64_t count = 0;
  while (count < BufferSize()) {
    ssize_t n =
        ::pread(fd, WindowData() + count, static_cast<size_t>(BufferSize() - count), start + count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      FailFill(kErrRead, error, fileName_ + ": " + std::strerror(error));
      return;
    }
    if (n == 0) break;
    count += n;
  }
  EndFill(count);
}

void TXBufFileStream::AdviseSequential(bool sequential) {
  AdviseReading(static_cast<TXFileStream*>(Inner())->Handle(), sequential);
}

TXStream* TXBufFileStream::OpenSource(const std::string& fileName) {
  TXErrorData before = ThreadError();
  try {
    auto file = std::make_unique<TXFileStream>(fileName, TXFileMode::fmOpenRead);
    struct stat info {};
    if (::fstat(file->Handle(), &info) == 0 && S_ISDIR(info.st_mode)) {
      RaiseThreadError(kErrOsError, EISDIR, fileName + ": " + std::strerror(EISDIR));
    }
    return file.release();
  } catch (const EXError&) {
    if (before.Code != kErrNone) {
      ThreadError().Code = before.Code;
      ThreadError().OSError = before.OSError;
      ThreadError().Text = before.Text;
    }
    throw;
  }
}

TXBufFileStream::TXBufFileStream(const std::string& fileName, int32_t bufferSize)
    : TXCustomBufStream(OpenSource(fileName), bufferSize, true), fileName_(fileName) {}

}  // namespace kova
