#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What the fuzz targets share: the input as bytes or text, and a card image file to hand to the
// readers that only take a path.
namespace kova::fuzz {

std::vector<uint8_t> Bytes(const uint8_t* data, size_t size);
std::string Text(const uint8_t* data, size_t size);

// Writes the bytes to this process's image file (in a folder of its own under the temporary
// folder, removed at exit) and answers its path.
const std::filesystem::path& WriteImage(const uint8_t* data, size_t size);

// True when the text is well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Ends the process with a message: a broken promise that no sanitizer would notice.
[[noreturn]] void Fail(const std::string& what);

}  // namespace kova::fuzz
