#include "storage/sub_stream.h"

#include <algorithm>

namespace kova {

TXCustomSubStream::TXCustomSubStream(TXStream* inner, int64_t start, int64_t size, bool owns)
    : TXStreamWrapper(inner, owns), start_(std::max<int64_t>(0, start)) {
  SetSize(size);
}

void TXCustomSubStream::SetSize(int64_t size) {
  size_ = std::max<int64_t>(0, size);
  int64_t innerSize = Inner() ? Inner()->Size() : 0;
  if (innerSize < start_ + size_) size_ = std::max<int64_t>(0, innerSize - start_);
  position_ = std::min(position_, size_);
}

int64_t TXCustomSubStream::Seek(int64_t offset, TXSeekOrigin origin) {
  position_ = SeekWithin(offset, origin, position_, size_);
  return position_;
}

int64_t TXCustomSubStream::Read(void* buffer, int64_t count) {
  int64_t n = std::min(count, size_ - position_);
  if (n <= 0 || !Inner()) return 0;
  Inner()->Seek(start_ + position_, TXSeekOrigin::soBeginning);
  int64_t got = std::max<int64_t>(0, Inner()->Read(buffer, n));
  position_ += got;
  return got;
}

std::span<const uint8_t> TXCustomSubStream::WindowAt(int64_t position) {
  if (position < 0 || position >= size_ || !Inner()) return {};
  position_ = position;
  if (auto* window = dynamic_cast<IXByteWindow*>(Inner())) {
    std::span<const uint8_t> bytes = window->WindowAt(start_ + position);
    return bytes.first(static_cast<size_t>(std::min<int64_t>(bytes.size(), size_ - position)));
  }
  // One byte at a time from an inner stream that cannot show its bytes.
  Inner()->Seek(start_ + position, TXSeekOrigin::soBeginning);
  if (Inner()->Read(&byte_, 1) != 1) return {};
  Inner()->Seek(start_ + position, TXSeekOrigin::soBeginning);
  return {&byte_, 1};
}

int64_t TXCustomSubStream::Write(const void*, int64_t) {
  return RefuseWrite();
}

}  // namespace kova
