#include "exfat_upcase.h"

namespace kova::mkcard {

namespace {

constexpr uint32_t kCharacters = 0x10000;
constexpr char16_t kRunMark = 0xFFFF;

bool In(char16_t c, char16_t first, char16_t last) {
  return c >= first && c <= last;
}

// Latin Extended-A pairs its capitals and small letters; which of the two comes first changes
// along the block.
char16_t LatinExtendedAUpcase(char16_t c) {
  const bool odd = c & 1;
  if (In(c, 0x0100, 0x012F) || In(c, 0x0132, 0x0137) || In(c, 0x014A, 0x0177))
    return odd ? c - 1 : c;
  if (In(c, 0x0139, 0x0148) || In(c, 0x0179, 0x017E)) return odd ? c : c - 1;
  return c;
}

}  // namespace

char16_t ExfatUpcase(char16_t c) {
  if (In(c, u'a', u'z') || (In(c, 0x00E0, 0x00FE) && c != 0x00F7)) return c - 0x20;
  if (c == 0x00FF) return 0x0178;
  if (In(c, 0x0100, 0x017F)) return LatinExtendedAUpcase(c);
  if (c == 0x03C2) return 0x03A3;  // final sigma
  if (In(c, 0x03B1, 0x03CB) || In(c, 0x0430, 0x044F)) return c - 0x20;
  if (In(c, 0x0450, 0x045F)) return c - 0x50;
  return c;
}

Bytes ExfatUpcaseTable() {
  Bytes table;
  for (uint32_t c = 0; c < kCharacters;) {
    uint32_t run = 0;
    while (c + run < kCharacters && ExfatUpcase(static_cast<char16_t>(c + run)) == c + run)
      ++run;
    if (run > 2) {
      AppendLE(table, kRunMark, 2);
      AppendLE(table, run, 2);
      c += run;
    } else {
      AppendLE(table, ExfatUpcase(static_cast<char16_t>(c)), 2);
      ++c;
    }
  }
  return table;
}

uint32_t ExfatRotatingSum(uint32_t sum, uint8_t byte) {
  return ((sum & 1) ? 0x80000000u : 0u) + (sum >> 1) + byte;
}

}  // namespace kova::mkcard
