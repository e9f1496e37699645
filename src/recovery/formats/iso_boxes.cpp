#include "recovery/formats/iso_boxes.h"

#include <algorithm>

#include "recovery/formats/format_reader.h"

namespace kova {

namespace {

constexpr int64_t kHeader = 8;
constexpr int64_t kLargeHeader = 16;
// Sizes beyond this come from damaged data; they would overflow the positions.
constexpr int64_t kMaxBoxSize = int64_t{1} << 60;
// Real boxes hold a few dozen children.
constexpr int32_t kMaxChildren = 512;

}  // namespace

bool ReadBox(TXFormatReader& reader, int64_t pos, TXBox& box) {
  uint8_t header[kHeader];
  if (!reader.ReadAt(pos, header, kHeader)) return false;
  box.Pos = pos;
  std::copy_n(header + 4, 4, box.Type);
  box.Size = DecodeU32(header, true);
  box.HeaderSize = kHeader;
  if (box.Size == 1) {
    uint64_t large = 0;
    if (!reader.U64At(pos + kHeader, true, large) || large > uint64_t{kMaxBoxSize}) return false;
    box.Size = static_cast<int64_t>(large);
    box.HeaderSize = kLargeHeader;
  }
  return box.Size >= box.HeaderSize;
}

bool FindChildBox(TXFormatReader& reader, const TXBox& parent, int64_t first, std::string_view type,
                  TXBox& child) {
  int64_t pos = first;
  for (int32_t n = 0; n < kMaxChildren && pos + kHeader <= parent.End(); ++n) {
    if (!ReadBox(reader, pos, child) || child.End() > parent.End()) return false;
    if (child.Is(type)) return true;
    pos = child.End();
  }
  return false;
}

}  // namespace kova
