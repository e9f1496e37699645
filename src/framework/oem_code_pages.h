#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kova {

// The OEM code page of FAT short names unless a setting names another.
inline constexpr uint16_t kDefaultCodePage = 437;

// 437 (US), 850 (Western Europe), 852 (Central Europe), 858 (850 with the euro sign), 866
// (Cyrillic).
bool IsKnownCodePage(uint16_t codePage);
std::vector<uint16_t> KnownCodePages();

// The bytes up to the first zero byte as UTF-8, decoded with the OEM code page (437 for a page
// that is not known).
std::string OemToUtf8(std::span<const uint8_t> bytes, uint16_t codePage);

// The byte that stands for `code` in a known OEM code page, or nothing when the page has no such
// character (or is not known). Writers of short names need it.
std::optional<uint8_t> OemByteOf(char32_t code, uint16_t codePage);

}  // namespace kova
