#pragma once

#include <string>
#include <string_view>

namespace kova::mkcard {

// Decodes UTF-8 into UTF-16 code units (appended to `out`), as FAT long names and exFAT names
// store them; false for malformed text.
bool Utf16FromUtf8(std::string_view text, std::u16string* out);

}  // namespace kova::mkcard
