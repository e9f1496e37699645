#pragma once

#include <optional>
#include <string>
#include <string_view>

// The reversible coding of this system's own that hides texts from a casual look: the packed
// proxy credentials and the data of script answers in format 1. Each byte is combined with a
// key stream that depends on its position, and the result is written in base64.
namespace kova {

std::string EncodeNetText(std::string_view text);
// The original text; nothing when the text is not a valid coding (line breaks and blanks in it
// are ignored).
std::optional<std::string> DecodeNetText(std::string_view coded);

}  // namespace kova
