#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kova {

// Puts the arguments into the "%s" places of a language text in order ("%%" is a per cent
// sign). A text with other directives or more places than arguments is answered unformatted,
// so a faulty translation still shows its words.
std::string FormatLgText(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace kova
