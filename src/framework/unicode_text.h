#pragma once

#include <cstdint>
#include <span>
#include <string>

// UTF-8 out of the encodings file systems store names in.
namespace kova {

// Appends the UTF-8 form of a code point; a surrogate or a value past U+10FFFF gives U+FFFD.
void AppendUtf8(std::string& out, char32_t code);

// Decodes UTF-16 code units into UTF-8, stopping at the first zero unit. A surrogate that is
// not part of a pair becomes U+FFFD, so every unit yields a character.
std::string Utf16ToUtf8(std::span<const char16_t> units);
// The same for little-endian units as stored on a medium; an odd last byte is ignored.
std::string Utf16LeToUtf8(std::span<const uint8_t> bytes);

}  // namespace kova
