#include "storage/stream_wrapper.h"

#include "framework/error_data.h"

namespace kova {

TXStreamWrapper::~TXStreamWrapper() {
  if (owns_) delete inner_;
}

int64_t TXStreamWrapper::Read(void* buffer, int64_t count) {
  if (!inner_) return 0;
  int64_t n = inner_->Read(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t TXStreamWrapper::Write(const void* buffer, int64_t count) {
  if (!inner_) return 0;
  int64_t n = inner_->Write(buffer, count);
  return n < 0 ? 0 : n;
}

int64_t TXStreamWrapper::Seek(int64_t offset, TXSeekOrigin origin) {
  return inner_ ? inner_->Seek(offset, origin) : 0;
}

int64_t TXStreamWrapper::GetSize() {
  return inner_ ? inner_->Size() : 0;
}

void TXStreamWrapper::SetSize(int64_t size) {
  if (inner_) inner_->SetSize(size);
}

int64_t TXStreamWrapper::RefuseWrite() {
  SetThreadError(kErrWrite, 0, "the stream reads a source and is never written");
  return 0;
}

}  // namespace kova
