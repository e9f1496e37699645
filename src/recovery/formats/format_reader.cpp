#include "recovery/formats/format_reader.h"

#include "storage/safe_read.h"

namespace kova {

namespace {

uint64_t Decode(const uint8_t* bytes, int width, bool bigEndian) {
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) {
    int at = bigEndian ? i : width - 1 - i;
    value = (value << 8) | bytes[at];
  }
  return value;
}

}  // namespace

uint16_t DecodeU16(const uint8_t* bytes, bool bigEndian) {
  return static_cast<uint16_t>(Decode(bytes, 2, bigEndian));
}
uint32_t DecodeU32(const uint8_t* bytes, bool bigEndian) {
  return static_cast<uint32_t>(Decode(bytes, 4, bigEndian));
}
uint64_t DecodeU64(const uint8_t* bytes, bool bigEndian) {
  return Decode(bytes, 8, bigEndian);
}

TXFormatReader::TXFormatReader(TXSearch& search)
    : search_(search), size_(search.Source() ? search.Source()->Size() : 0) {}

void TXFormatReader::CheckStop() const {
  if (search_.Stopped()) throw EXMeasureAbort{};
}

bool TXFormatReader::ReadAt(int64_t pos, void* buffer, int64_t count) {
  if (!Inside(pos, count) || !search_.Source()) return false;
  if (count == 0) return true;
  return SafeReadAt(*search_.Source(), buffer, count, pos);
}

bool TXFormatReader::U16At(int64_t pos, bool bigEndian, uint16_t& value) {
  uint8_t bytes[2];
  if (!ReadAt(pos, bytes, 2)) return false;
  value = DecodeU16(bytes, bigEndian);
  return true;
}

bool TXFormatReader::U32At(int64_t pos, bool bigEndian, uint32_t& value) {
  uint8_t bytes[4];
  if (!ReadAt(pos, bytes, 4)) return false;
  value = DecodeU32(bytes, bigEndian);
  return true;
}

bool TXFormatReader::U64At(int64_t pos, bool bigEndian, uint64_t& value) {
  uint8_t bytes[8];
  if (!ReadAt(pos, bytes, 8)) return false;
  value = DecodeU64(bytes, bigEndian);
  return true;
}

}  // namespace kova
