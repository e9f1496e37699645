#include "framework/error_data.h"

#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace kova {

namespace {

class ErrorTable {
 public:
  static ErrorTable& Instance() {
    static ErrorTable table;
    return table;
  }

  TXErrorData* RecordOf(std::thread::id thread) {
    std::lock_guard lock(mutex_);
    auto& record = records_[thread];
    if (!record) record = std::make_unique<TXErrorData>();
    return record.get();
  }

  void Forget(std::thread::id thread) {
    std::lock_guard lock(mutex_);
    records_.erase(thread);
  }

  size_t Count() {
    std::lock_guard lock(mutex_);
    return records_.size();
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::thread::id, std::unique_ptr<TXErrorData>> records_;
};

thread_local TXErrorData* currentRecord = nullptr;

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
  if (!currentRecord) currentRecord = ErrorTable::Instance().RecordOf(std::this_thread::get_id());
  return *currentRecord;
}

void ClearThreadError() { ThreadError().Clear(); }

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

void ForgetThreadError() {
  ErrorTable::Instance().Forget(std::this_thread::get_id());
  currentRecord = nullptr;
}

size_t ThreadErrorRecordCount() { return ErrorTable::Instance().Count(); }

}  // namespace kova
