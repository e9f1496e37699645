#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Lays out TIFF-structured test files byte by byte at offsets the test chooses, so that each test
// shows the structure it measures.
namespace kova::test {

enum TXTiffType : uint16_t { ttByte = 1, ttAscii = 2, ttShort = 3, ttLong = 4, ttUndefined = 7 };

struct TXTiffEntrySpec {
  uint16_t Tag;
  uint16_t Type;
  uint32_t Count;
  uint32_t Value;  // the value (left-aligned for short types) or the offset of the data
};

class TXTiffImage {
 public:
  // A file of `size` zero bytes with a header: "II*\0" or "MM\0*", or the given four bytes.
  TXTiffImage(bool bigEndian, uint32_t size, uint32_t firstDirectory);
  TXTiffImage(const std::string& magic, uint32_t size, uint32_t firstDirectory);

  void Directory(uint32_t at, const std::vector<TXTiffEntrySpec>& entries, uint32_t next = 0);
  void Text(uint32_t at, const std::string& text);
  void Longs(uint32_t at, const std::vector<uint32_t>& values);
  void Bytes(uint32_t at, const std::vector<uint8_t>& bytes);
  void U16(uint32_t at, uint16_t value);
  void U32(uint32_t at, uint32_t value);

  std::vector<uint8_t>& Data() { return data_; }

 private:
  bool bigEndian_;
  std::vector<uint8_t> data_;
};

}  // namespace kova::test
