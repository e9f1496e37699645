#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small text helpers shared by every layer. Case operations work on ASCII letters only, as the
// names they compare (extensions, property names, tags) are ASCII.
namespace kova {

std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Negative, 0 or positive as a sorts before, with or after b, ignoring case.
int CompareText(std::string_view a, std::string_view b);
bool ContainsText(std::string_view text, std::string_view part);

// Without leading and trailing blanks and control characters.
std::string_view Trim(std::string_view text);

// A whole decimal number (optional sign), or nothing.
std::optional<int64_t> ParseInteger(std::string_view text);

std::vector<std::string> SplitString(std::string_view text, char separator);
// Lines separated by CR LF, LF or CR; a final line break does not add an empty line.
std::vector<std::string> SplitLines(std::string_view text);
// Lines joined with CR LF between them.
std::string JoinLines(const std::vector<std::string>& lines);

// Replaces every occurrence of `from` by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace kova
