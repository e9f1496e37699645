#pragma once

#include <string>
#include <string_view>

// The one escaping of each output format the programs write.
namespace kova {

// The five XML specials as entities (&amp; &lt; &gt; &apos; &quot;), for element text and
// attribute values alike.
std::string XmlEscaped(std::string_view text);
// The five entities back to their characters; other text as it is.
std::string XmlUnescaped(std::string_view text);

// The text as a JSON string, quotes included: the quote, the backslash and every control
// character escaped (\n, \r and \t by name, the others as \u00XX); UTF-8 passes unchanged.
std::string JsonQuoted(std::string_view text);

}  // namespace kova
