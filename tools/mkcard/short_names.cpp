#include "short_names.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "byte_order.h"
#include "framework/oem_code_pages.h"
#include "framework/unicode_text.h"
#include "utf16_text.h"

namespace kova::mkcard {

namespace {

constexpr std::string_view kNameSymbols = "!#$%&'()-@^_`{}~";
constexpr uint8_t kDeletedMark = 0xE5;
constexpr uint8_t kStoredE5 = 0x05;

// The code points of UTF-8 text; false for malformed text.
bool CodePoints(std::string_view text, std::u32string* out) {
  std::u16string units;
  if (!Utf16FromUtf8(text, &units)) return false;
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size()) {
      out->push_back(0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
    } else {
      out->push_back(unit);
    }
  }
  return true;
}

// Upper case as the file systems fold names: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters, the scripts of the OEM code pages.
char32_t UpperCase(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 0 ? c - 1 : c;
  if (c == 0x3C2) return 0x3A3;
  if ((c >= 0x3B1 && c <= 0x3C9) || (c >= 0x430 && c <= 0x44F)) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

// A byte a short name may hold: letters and digits, a few symbols, and every non-ASCII byte.
bool IsShortNameByte(uint8_t b) {
  return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b >= 0x80 ||
         kNameSymbols.find(static_cast<char>(b)) != std::string_view::npos;
}

std::string Utf8Of(char32_t c) {
  std::string out;
  AppendUtf8(out, c);
  return out;
}

void PutParts(const std::vector<uint8_t>& base, const std::vector<uint8_t>& extension,
              ShortNameBytes* field) {
  field->fill(' ');
  std::copy(base.begin(), base.end(), field->begin());
  std::copy(extension.begin(), extension.end(), field->begin() + 8);
  if ((*field)[0] == kDeletedMark) (*field)[0] = kStoredE5;
}

// The characters of a long name on the way to its alias: upper case, in the code page, blanks
// and dots kept for the steps that follow; `lossy` tells whether a character became "_".
std::vector<uint8_t> OemCharacters(const std::u32string& name, uint16_t code_page, bool* lossy) {
  std::vector<uint8_t> out;
  for (char32_t c : name) {
    const char32_t upper = UpperCase(c);
    const std::optional<uint8_t> byte = OemByteOf(upper, code_page);
    if (upper == U' ' || upper == U'.') {
      out.push_back(static_cast<uint8_t>(upper));
    } else if (byte && IsShortNameByte(*byte)) {
      out.push_back(*byte);
    } else {
      out.push_back('_');
      *lossy = true;
    }
  }
  return out;
}

// The basis of an alias: the name part without blanks and dots (the extension follows the last
// dot), cut to 8 + 3; `fits` when the long name is that already, with nothing lost.
struct Basis {
  std::vector<uint8_t> base, extension;
  bool fits = true;
};

Basis BasisOf(std::vector<uint8_t> oem, bool lossy) {
  Basis basis;
  basis.fits = !lossy;
  const auto drop = [&basis](std::vector<uint8_t>& from, auto first, auto last) {
    if (first != last) basis.fits = false;
    from.erase(first, last);
  };
  drop(oem, std::remove(oem.begin(), oem.end(), ' '), oem.end());
  drop(oem, oem.begin(), std::find_if(oem.begin(), oem.end(), [](uint8_t b) { return b != '.'; }));
  const auto last_dot = std::find(oem.rbegin(), oem.rend(), '.').base();
  const bool has_dot = last_dot != oem.begin();
  basis.base.assign(oem.begin(), has_dot ? last_dot - 1 : oem.end());
  basis.extension.assign(has_dot ? last_dot : oem.end(), oem.end());
  drop(basis.base, std::remove(basis.base.begin(), basis.base.end(), '.'), basis.base.end());
  if (basis.base.size() > 8 || basis.extension.size() > 3) basis.fits = false;
  if (basis.extension.size() > 3) basis.extension.resize(3);
  return basis;
}

}  // namespace

Status ShortNameField(std::string_view name, uint16_t code_page, ShortNameBytes* field) {
  const std::string quoted = "short name '" + std::string(name) + "'";
  std::u32string chars;
  if (name.empty() || name == "." || name == ".." || !CodePoints(name, &chars))
    return Status::Failure("'" + std::string(name) + "' is not a usable short name");
  const size_t dot = chars.find(U'.');
  if (dot == 0) return Status::Failure(quoted + " has no name before the dot");
  std::vector<uint8_t> parts[2];
  for (size_t i = 0; i < chars.size(); ++i) {
    if (i == dot) continue;
    const char32_t c = chars[i];
    const std::optional<uint8_t> byte = OemByteOf(c, code_page);
    if (UpperCase(c) != c || !byte || !IsShortNameByte(*byte)) {
      return Status::Failure(quoted + ": character '" + Utf8Of(c) +
                             "' is not allowed (upper-case letters, digits and "
                             "!#$%&'()-@^_`{}~ only, or upper-case letters of code page " +
                             std::to_string(code_page) + ")");
    }
    parts[i > dot ? 1 : 0].push_back(*byte);
  }
  if (parts[0].size() > 8)
    return Status::Failure(quoted + ": the name has more than 8 characters (give a long-name)");
  if (parts[1].size() > 3)
    return Status::Failure(quoted +
                           ": the extension has more than 3 characters (give a long-name)");
  PutParts(parts[0], parts[1], field);
  return {};
}

Status AliasOf(std::string_view long_name, uint16_t code_page,
               const std::function<bool(const ShortNameBytes&)>& taken, ShortNameBytes* field) {
  std::u32string chars;
  if (!CodePoints(long_name, &chars)) return Status::Failure("long name is not valid UTF-8");
  bool lossy = false;
  std::vector<uint8_t> oem = OemCharacters(chars, code_page, &lossy);
  const Basis basis = BasisOf(std::move(oem), lossy);
  const std::vector<uint8_t>& base = basis.base;
  const std::vector<uint8_t>& extension = basis.extension;
  if (base.empty()) {
    return Status::Failure("long name '" + std::string(long_name) +
                           "' leaves nothing for a short name");
  }
  if (basis.fits) {
    PutParts(base, extension, field);
    if (!taken(*field)) return {};
  }
  for (uint32_t n = 1; n < 1000000; ++n) {
    const std::string tail = "~" + std::to_string(n);
    std::vector<uint8_t> tailed(base.begin(),
                                base.begin() + std::min(base.size(), 8 - tail.size()));
    tailed.insert(tailed.end(), tail.begin(), tail.end());
    PutParts(tailed, extension, field);
    if (!taken(*field)) return {};
  }
  return Status::Failure("no free short name for '" + std::string(long_name) + "'");
}

std::string ShortNameText(const ShortNameBytes& field, uint16_t code_page) {
  ShortNameBytes bytes = field;
  if (bytes[0] == kStoredE5) bytes[0] = kDeletedMark;
  const auto end_of = [&bytes](size_t from, size_t count) {
    size_t end = from + count;
    while (end > from && bytes[end - 1] == ' ')
      --end;
    return end;
  };
  const size_t base_end = end_of(0, 8);
  const size_t extension_end = end_of(8, 3);
  std::string text = OemToUtf8({bytes.data(), base_end}, code_page);
  if (extension_end > 8) text += "." + OemToUtf8({bytes.data() + 8, extension_end - 8}, code_page);
  return text;
}

}  // namespace kova::mkcard
