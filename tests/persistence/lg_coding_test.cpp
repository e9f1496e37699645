#include "persistence/lg_coding.h"

#include <gtest/gtest.h>

namespace kova {
namespace {

TEST(LgCodingTest, TextsOfAnyScriptSurviveTheCodedForm) {
  for (const std::string& text :
       std::vector<std::string>{"", "Files are saved to:", "Größe: 5 MB — «Fertig» ✓ 📷",
                                std::string("\0\x01\xFF", 3), "line#13#10line"}) {
    std::string coded = EncodeLgText(text);
    EXPECT_EQ(coded.size(), text.size() * 2);
    EXPECT_EQ(coded.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
    EXPECT_EQ(DecodeLgText(coded), text);
  }
  std::string coded = EncodeLgText("Restore");
  std::string lower = coded;
  for (char& c : lower)
    c = static_cast<char>(std::tolower(c));
  EXPECT_EQ(DecodeLgText(lower), "Restore");
}

TEST(LgCodingTest, DamagedCodedTextsDecodeToNothing) {
  std::string coded = EncodeLgText("Next");
  EXPECT_FALSE(DecodeLgText(coded.substr(1)));  // odd number of digits
  EXPECT_FALSE(DecodeLgText(coded + "!?"));     // not digits of the alphabet
  EXPECT_FALSE(DecodeLgText("KK"));             // 35 * 36 + 35 is no byte
}

TEST(LgCodingTest, WordsLinesCarryHexadecimalKeysAndCodedTexts) {
  std::string line = FormatWordsLine(0x8600EAFD, "Disconnected");
  EXPECT_EQ(line.substr(0, 9), "8600EAFD=");
  std::optional<TXLgWord> word = ParseWordsLine(line);
  ASSERT_TRUE(word);
  EXPECT_EQ(word->ID, 0x8600EAFDu);
  EXPECT_EQ(DecodeLgText(word->Coded), "Disconnected");

  EXPECT_EQ(FormatWordsLine(1, "9").substr(0, 9), "00000001=");
  EXPECT_EQ(ParseWordsLine(" 1a = " + EncodeLgText("x"))->ID, 0x1Au);
}

TEST(LgCodingTest, LinesWithABadOrZeroKeyAreRejected) {
  std::string value = EncodeLgText("text");
  for (std::string line :
       {"00000000=" + value, "0=" + value, "XYZ=" + value, "=" + value, "123456789=" + value,
        "8600EAFD" + value, std::string(), "-1=" + value, "0x10=" + value}) {
    EXPECT_FALSE(ParseWordsLine(line)) << line;
  }
  EXPECT_EQ(ParseHex32("ffffFFFF"), 0xFFFFFFFFu);
  EXPECT_FALSE(ParseHex32(""));
}

}  // namespace
}  // namespace kova
