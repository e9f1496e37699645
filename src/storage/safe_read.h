#pragma once

#include <cstdint>

#include "framework/stream.h"

// Reads that turn failures into zero bytes so that a scan can go on. Each refuses (answers false,
// reads nothing) a position outside the stream; a read that fails inside the stream delivers
// zeros, checks the thread's error policy and answers true. A vanished device (code 11) is never
// absorbed: it always reaches the caller as EXError.
namespace kova {

// Refuses pos < 0 or pos >= size; false also when the seek fails.
bool SafeSeek(TXStream& stream, int64_t pos);
// Refuses pos < 0 or pos >= size.
bool SafeReadByteAt(TXStream& stream, int64_t pos, uint8_t& value);
// Refuses when the current position is at or beyond the size.
bool SafeReadByte(TXStream& stream, uint8_t& value);
// Refuses pos < 0 or pos >= size. A read that runs past the end delivers a zeroed buffer.
bool SafeReadAt(TXStream& stream, void* buffer, int64_t count, int64_t pos);
// Refuses when position + count >= size: a read that would end exactly at the end is refused.
bool SafeRead(TXStream& stream, void* buffer, int64_t count);

// For a catch block around a read of `count` bytes into `buffer`: rethrows a vanished device
// (code 11); otherwise records the failure, zeroes the buffer and checks the thread's error policy.
void AbsorbReadFailure(void* buffer, int64_t count);

}  // namespace kova
