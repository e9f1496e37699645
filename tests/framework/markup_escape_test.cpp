#include "framework/markup_escape.h"

#include <gtest/gtest.h>

namespace kova {
namespace {

TEST(MarkupEscape, XmlEscapesAllFiveSpecialsAndReadsThemBack) {
  const std::string text = "Tom & \"Jerry's\" <card>";
  EXPECT_EQ(XmlEscaped(text), "Tom &amp; &quot;Jerry&apos;s&quot; &lt;card&gt;");
  EXPECT_EQ(XmlUnescaped(XmlEscaped(text)), text);
  // An escaped entity stays what it was: &amp;lt; is the text "&lt;", not "<".
  EXPECT_EQ(XmlUnescaped(XmlEscaped("&lt;")), "&lt;");
  EXPECT_EQ(XmlEscaped("Fotos \xC3\xA4"), "Fotos \xC3\xA4");
}

TEST(MarkupEscape, JsonQuotesEscapeQuotesBackslashesAndEveryControlCharacter) {
  EXPECT_EQ(JsonQuoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonQuoted("1\n2\r3\t4"), "\"1\\n2\\r3\\t4\"");
  EXPECT_EQ(JsonQuoted(std::string("\x01\x1F", 2)), "\"\\u0001\\u001f\"");
  EXPECT_EQ(JsonQuoted("\xC3\xA4"), "\"\xC3\xA4\"");
  EXPECT_EQ(JsonQuoted(""), "\"\"");
}

}  // namespace
}  // namespace kova
