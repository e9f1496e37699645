#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The words text of a language: one line per text, "IDENTIFIER=CODED", the identifier in
// hexadecimal and the text's UTF-8 bytes written as two digits each of a base-36 digit alphabet
// of our own, so that the text survives any line-break or code-page handling untouched.
namespace kova {

struct TXLgWord {
  uint32_t ID = 0;
  std::string Coded;
};

// The coded form of a UTF-8 text.
std::string EncodeLgText(std::string_view text);
// The UTF-8 text of a coded form; nothing when a digit is foreign to the alphabet, a byte value
// is out of range or the number of digits is odd.
std::optional<std::string> DecodeLgText(std::string_view coded);

// One line of a words text for a plain text: eight upper-case hexadecimal digits, "=" and the
// coded text.
std::string FormatWordsLine(uint32_t id, std::string_view text);
// The pair of a words line; nothing when the key is not a hexadecimal number of at most eight
// digits or is 0, or the line has no "=".
std::optional<TXLgWord> ParseWordsLine(std::string_view line);

// A 32-bit value from one to eight hexadecimal digits (either case), or nothing.
std::optional<uint32_t> ParseHex32(std::string_view text);

}  // namespace kova
