#include "recovery/block_stream.h"

#include <algorithm>

#include "framework/error_data.h"

namespace kova {

TXBlocksCursor::TXBlocksCursor(const TXBlocks& list) : list_(&list) {
  streamPos_ = -1;
  MoveTo(0);
}

int64_t TXBlocksCursor::SizeAt(int32_t index) const {
  return std::max<int64_t>(0, (*list_)[index].Size);
}

void TXBlocksCursor::MoveTo(int64_t position) {
  const TXBlocks& list = *list_;
  streamPos_ = position;
  if (position < 0 || list.Empty()) {
    mediumPos_ = -1;
    blockIndex_ = 0;
    blockStreamStart_ = 0;
    return;
  }
  int32_t index = 0;
  int64_t start = 0;
  if (position >= blockStreamStart_ && blockIndex_ < list.Count()) {
    index = blockIndex_;
    start = blockStreamStart_;
  }
  for (; index < list.Count(); ++index) {
    if (position < start + SizeAt(index)) {
      blockIndex_ = index;
      blockStreamStart_ = start;
      mediumPos_ = list[index].Start + (position - start);
      return;
    }
    start += SizeAt(index);
  }
  blockIndex_ = list.Count() - 1;
  blockStreamStart_ = start - SizeAt(blockIndex_);
  mediumPos_ = list.Last().End();
}

bool TXBlocksCursor::Next() {
  if (AtEnd()) return false;
  ++streamPos_;
  ++mediumPos_;
  const TXBlocks& list = *list_;
  if (mediumPos_ < list[blockIndex_].End()) return true;
  int64_t start = blockStreamStart_ + SizeAt(blockIndex_);
  for (int32_t index = blockIndex_ + 1; index < list.Count(); ++index) {
    if (SizeAt(index) > 0) {
      blockIndex_ = index;
      blockStreamStart_ = start;
      mediumPos_ = list[index].Start;
      return true;
    }
  }
  return false;
}

int64_t TXBlocksCursor::RemainingInBlock() const {
  if (AtEnd()) return 0;
  return (*list_)[blockIndex_].End() - mediumPos_;
}

TXCustomBlockStream::TXCustomBlockStream(TXStream* inner, const TXBlocks& blocks, bool owns)
    : TXStreamWrapper(inner, owns),
      blocks_(blocks),
      cursor_(blocks),
      innerWindow_(dynamic_cast<IXByteWindow*>(inner)) {}

int64_t TXCustomBlockStream::Read(void* buffer, int64_t count) {
  TXStream* inner = Inner();
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (inner && done < count && !cursor_.AtEnd()) {
    int64_t wanted = std::min(count - done, cursor_.RemainingInBlock());
    inner->Seek(cursor_.MediumPos(), TXSeekOrigin::soBeginning);
    int64_t got = inner->Read(out + done, wanted);
    if (got <= 0) break;
    done += got;
    cursor_.MoveTo(cursor_.StreamPos() + got);
    if (got < wanted) break;
  }
  return done;
}

int64_t TXCustomBlockStream::Write(const void*, int64_t) {
  return RefuseWrite();
}

int64_t TXCustomBlockStream::Seek(int64_t offset, TXSeekOrigin origin) {
  cursor_.MoveTo(SeekWithin(offset, origin, cursor_.StreamPos(), blocks_.TotalSize()));
  return cursor_.StreamPos();
}

std::span<const uint8_t> TXCustomBlockStream::WindowAt(int64_t position) {
  if (position < 0 || position >= blocks_.TotalSize() || !Inner()) return {};
  cursor_.MoveTo(position);
  int64_t remaining = cursor_.RemainingInBlock();
  if (innerWindow_) {
    std::span<const uint8_t> bytes = innerWindow_->WindowAt(cursor_.MediumPos());
    if (!bytes.empty())
      return bytes.first(static_cast<size_t>(std::min<int64_t>(bytes.size(), remaining)));
  } else {
    Inner()->Seek(cursor_.MediumPos(), TXSeekOrigin::soBeginning);
    if (Inner()->Read(&single_, 1) == 1) return {&single_, 1};
  }
  RaiseThreadError(kErrRead, 0, "an extent lies beyond the end of the medium");
}

}  // namespace kova
