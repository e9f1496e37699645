#pragma once

#include <cstdint>
#include <span>

#include "recovery/search.h"

namespace kova {

// Thrown inside a measurement that must end without a result and without recording an error:
// the run was stopped, or the structure would cost more work than any real file needs.
struct EXMeasureAbort {};

// Reads of whole values at absolute positions of a search's source, as the scan formats need
// them. A read succeeds only when every byte lies inside the source; read errors inside the
// source give zero bytes (the safe reads), a vanished device throws.
class TXFormatReader {
 public:
  explicit TXFormatReader(TXSearch& search);

  TXSearch& Search() const { return search_; }
  int64_t Size() const { return size_; }
  // True when [pos, pos + count) lies inside the source.
  bool Inside(int64_t pos, int64_t count) const {
    return pos >= 0 && count >= 0 && pos <= size_ && count <= size_ - pos;
  }
  // Throws EXMeasureAbort when the application shuts down or the worker has terminated.
  void CheckStop() const;

  bool ReadAt(int64_t pos, void* buffer, int64_t count);
  bool U16At(int64_t pos, bool bigEndian, uint16_t& value);
  bool U32At(int64_t pos, bool bigEndian, uint32_t& value);
  bool U64At(int64_t pos, bool bigEndian, uint64_t& value);
  bool Matches(int64_t pos, std::span<const uint8_t> bytes) { return search_.MatchAt(bytes, pos); }

 private:
  TXSearch& search_;
  int64_t size_;
};

// Multi-byte values in either byte order.
uint16_t DecodeU16(const uint8_t* bytes, bool bigEndian);
uint32_t DecodeU32(const uint8_t* bytes, bool bigEndian);
uint64_t DecodeU64(const uint8_t* bytes, bool bigEndian);

}  // namespace kova
