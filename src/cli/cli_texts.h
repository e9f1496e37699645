#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Every message of kova-cli comes from the language texts (persistence/lg_keys.h, English words
// in resources/lang/en/words.txt).
namespace kova::cli {

// Installs the built-in English language; call once at start.
void UseCliLanguage();

// The text of the identifier, with its "%s" places filled; line breaks as the terminal expects.
std::string Say(uint32_t id, std::initializer_list<std::string_view> args = {});

}  // namespace kova::cli
