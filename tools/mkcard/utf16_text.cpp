#include "utf16_text.h"

#include <cstdint>

namespace kova::mkcard {

bool Utf16FromUtf8(std::string_view text, std::u16string* out) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const int extra = lead < 0x80         ? 0
                      : (lead >> 5) == 6  ? 1
                      : (lead >> 4) == 14 ? 2
                      : (lead >> 3) == 30 ? 3
                                          : -1;
    if (extra < 0 || i + extra >= text.size()) return false;
    uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    i += extra + 1;
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (code >= 0x10000) {
      code -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(code));
    }
  }
  return true;
}

}  // namespace kova::mkcard
