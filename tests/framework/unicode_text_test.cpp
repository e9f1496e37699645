#include "framework/unicode_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace kova {
namespace {

TEST(UnicodeText, Utf16NamesBecomeUtf8) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"IMG_0001.JPG")), "IMG_0001.JPG");
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"Größe café.jpg")), "Größe café.jpg");
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"写真€")), "写真€");
  // A pair of surrogates is one character beyond the basic plane.
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"\U0001F4F7.jpg")), "\U0001F4F7.jpg");
}

TEST(UnicodeText, DamagedUtf16StillGivesOneCharacterPerUnit) {
  const std::vector<char16_t> lone = {u'a', 0xD800, u'b', 0xDC00, 0xDBFF};
  EXPECT_EQ(Utf16ToUtf8(lone), "a\uFFFDb\uFFFD\uFFFD");
  const std::vector<char16_t> padded = {u'a', u'b', 0, u'c'};
  EXPECT_EQ(Utf16ToUtf8(padded), "ab");
  EXPECT_EQ(Utf16ToUtf8({}), "");
}

TEST(UnicodeText, CodePointsOutsideUnicodeAreReplaced) {
  std::string out;
  AppendUtf8(out, 0x110000);
  AppendUtf8(out, 0xDFFF);
  AppendUtf8(out, 0x10FFFF);
  EXPECT_EQ(out, "\uFFFD\uFFFD\U0010FFFF");
}

}  // namespace
}  // namespace kova
