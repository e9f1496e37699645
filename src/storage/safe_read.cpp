#include "storage/safe_read.h"

#include <cstring>
#include <exception>

#include "framework/error_data.h"

namespace kova {

void AbsorbReadFailure(void* buffer, int64_t count) {
  try {
    throw;
  } catch (const EXError& error) {
    if (error.Code() == kErrNotReady) throw;
  } catch (const std::exception& error) {
    RecordException(error);
  }
  if (count > 0) std::memset(buffer, 0, static_cast<size_t>(count));
  CheckErrorPolicy();
}

namespace {

bool Inside(TXStream& stream, int64_t pos) {
  return pos >= 0 && pos < stream.Size();
}

bool ReadHere(TXStream& stream, void* buffer, int64_t count) {
  try {
    stream.ReadBuffer(buffer, count);
  } catch (...) {
    AbsorbReadFailure(buffer, count);
  }
  return true;
}

bool ReadThere(TXStream& stream, void* buffer, int64_t count, int64_t pos) {
  try {
    stream.Seek(pos, TXSeekOrigin::soBeginning);
    stream.ReadBuffer(buffer, count);
  } catch (...) {
    AbsorbReadFailure(buffer, count);
  }
  return true;
}

}  // namespace

bool SafeSeek(TXStream& stream, int64_t pos) {
  if (!Inside(stream, pos)) return false;
  try {
    stream.Seek(pos, TXSeekOrigin::soBeginning);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool SafeReadByteAt(TXStream& stream, int64_t pos, uint8_t& value) {
  return Inside(stream, pos) && ReadThere(stream, &value, 1, pos);
}

bool SafeReadByte(TXStream& stream, uint8_t& value) {
  return Inside(stream, stream.Position()) && ReadHere(stream, &value, 1);
}

bool SafeReadAt(TXStream& stream, void* buffer, int64_t count, int64_t pos) {
  return Inside(stream, pos) && ReadThere(stream, buffer, count, pos);
}

bool SafeRead(TXStream& stream, void* buffer, int64_t count) {
  int64_t pos = stream.Position();
  return pos >= 0 && count < stream.Size() - pos && ReadHere(stream, buffer, count);
}

}  // namespace kova
