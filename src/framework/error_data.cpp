#include "framework/error_data.h"

namespace kova {

namespace {

// A thread's record ends with the thread. Destructors that run after it at the thread's end (or
// the process's) still get a record: one of their own, left to the operating system.
thread_local bool recordEnded = false;

struct ThreadRecord {
  TXErrorData Data;
  ~ThreadRecord() { recordEnded = true; }
};

}  // namespace

bool IsBenignMediaError(int32_t code) {
  return code == kErrNone || code == kErrSectorNotFound || code == kErrSeek ||
         code == kErrEndOfStream || code == kErrRead;
}

void TXErrorData::Clear() {
  Code = kErrNone;
  OSError = 0;
  Text.clear();
}

std::string TXErrorData::ToString() const {
  return std::to_string(Code) + " " + std::to_string(OSError) + " " + Text;
}

bool TXErrorData::RaisesCode(int32_t code) const {
  if (code < 0 || code >= static_cast<int32_t>(RaiseMasks.size() * 32)) return false;
  return (RaiseMasks[code / 32] >> (code % 32)) & 1u;
}

EXError::EXError(int32_t code) : std::runtime_error(std::to_string(code)), code_(code) {}

TXErrorData& ThreadError() {
  thread_local ThreadRecord record;
  if (!recordEnded) return record.Data;
  thread_local TXErrorData* lateRecord = new TXErrorData;
  return *lateRecord;
}

void ClearThreadError() {
  ThreadError().Clear();
}

void SetThreadError(int32_t code, int32_t osError, std::string text) {
  TXErrorData& record = ThreadError();
  record.Code = code;
  record.OSError = osError;
  record.Text = std::move(text);
}

void SetThreadErrorIfNone(int32_t code, int32_t osError, std::string text) {
  if (ThreadError().Code == kErrNone) SetThreadError(code, osError, std::move(text));
}

void RaiseThreadError(int32_t code, int32_t osError, std::string text) {
  SetThreadError(code, osError, std::move(text));
  throw EXError(code);
}

void CheckErrorPolicy() {
  const TXErrorData& record = ThreadError();
  if (record.Code != kErrNone && record.RaisesCode(record.Code)) throw EXError(record.Code);
}

void RecordException(const std::exception& error) {
  if (auto* coded = dynamic_cast<const EXError*>(&error)) {
    if (ThreadError().Code != coded->Code()) SetThreadError(coded->Code());
    return;
  }
  ThreadError().Text = error.what();
}

}  // namespace kova
