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
  int64_t target = position_;
  switch (origin) {
    case TXSeekOrigin::soBeginning:
      target = offset;
      break;
    case TXSeekOrigin::soCurrent:
      target = position_ + offset;
      break;
    case TXSeekOrigin::soEnd:
      target = offset < 0 ? size_ + offset : size_ - offset;
      break;
  }
  position_ = std::clamp<int64_t>(target, 0, size_);
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

int64_t TXCustomSubStream::Write(const void*, int64_t) {
  return RefuseWrite();
}

}  // namespace kova
