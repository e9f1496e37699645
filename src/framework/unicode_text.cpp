#include "framework/unicode_text.h"

#include <vector>

namespace kova {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t code) {
  if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = kReplacement;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string Utf16ToUtf8(std::span<const char16_t> units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
    char16_t unit = units[i];
    if (IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string Utf16LeToUtf8(std::span<const uint8_t> bytes) {
  std::vector<char16_t> units(bytes.size() / 2);
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return Utf16ToUtf8(units);
}

}  // namespace kova
