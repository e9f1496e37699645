#pragma once

#include <span>
#include <string>

namespace kova {

// Decodes 8-bit text of the Windows-1252 code page (the code page cameras and Windows write short
// names in) into UTF-8, stopping at the first zero byte. Bytes the code page leaves undefined keep
// their own code point, so every byte yields a character.
std::string Windows1252ToUtf8(std::span<const uint8_t> bytes);

}  // namespace kova
