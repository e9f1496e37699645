#pragma once

#include <cstdint>
#include <string_view>

namespace kova {

class TXFormatReader;

// The header of a box (atom) of a QuickTime or ISO base media file: a 32-bit big-endian size
// counting the header, the four-character type, and a 64-bit size after the type when the short
// one is 1.
struct TXBox {
  int64_t Pos = 0;
  int64_t Size = 0;
  int64_t HeaderSize = 8;
  char Type[4] = {};

  std::string_view TypeText() const { return {Type, 4}; }
  bool Is(std::string_view type) const { return TypeText() == type; }
  int64_t End() const { return Pos + Size; }
  int64_t ContentPos() const { return Pos + HeaderSize; }
};

// Reads the box header at pos. False when it does not lie inside the source or its size is
// smaller than its header or too large for any medium; a size of 0 ("up to the end of the
// file") is refused as well, since nothing tells where that end is.
bool ReadBox(TXFormatReader& reader, int64_t pos, TXBox& box);
// Finds the child of the type among the boxes from `first` up to the end of `parent`; children
// are looked at in order, at most a few hundred of them.
bool FindChildBox(TXFormatReader& reader, const TXBox& parent, int64_t first, std::string_view type,
                  TXBox& child);

}  // namespace kova
