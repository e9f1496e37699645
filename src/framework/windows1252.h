#pragma once

#include <cstdint>

namespace kova {

// The character of a byte of the Windows-1252 code page (the 8-bit text of RTF documents and of
// Windows). The five bytes the code page leaves undefined keep their own value, as Windows maps
// them, so every byte yields a character.
char16_t Windows1252Char(uint8_t byte);

}  // namespace kova
