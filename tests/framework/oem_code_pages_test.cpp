// OEM code pages both ways: every byte of every page decodes to a character that encodes back
// to the same byte, and characters a page lacks have no byte.
#include "framework/oem_code_pages.h"

#include <gtest/gtest.h>

#include <set>

#include "framework/unicode_text.h"

namespace kova {
namespace {

TEST(OemCodePages, EveryByteComesBackFromItsCharacter) {
  for (uint16_t page : KnownCodePages()) {
    std::set<uint8_t> reached;
    for (char32_t code = 1; code < 0x10000; ++code) {
      const std::optional<uint8_t> byte = OemByteOf(code, page);
      if (!byte) continue;
      std::string expected;
      AppendUtf8(expected, code);
      const uint8_t one[] = {*byte};
      EXPECT_EQ(OemToUtf8(one, page), expected) << "page " << page;
      reached.insert(*byte);
    }
    EXPECT_EQ(reached.size(), 255u) << "page " << page << ": every byte but zero has a character";
  }
}

TEST(OemCodePages, WesternLettersSitWhereDosPutThem) {
  EXPECT_EQ(OemByteOf(U'Ö', 437), 0x99);
  EXPECT_EQ(OemByteOf(U'ß', 437), 0xE1);
  EXPECT_EQ(OemByteOf(U'É', 850), 0x90);
  EXPECT_EQ(OemByteOf(U'Ø', 850), 0x9D);
  EXPECT_EQ(OemByteOf(U'Ø', 437), std::nullopt) << "437 has no O with stroke";
  EXPECT_EQ(OemByteOf(U'€', 437), std::nullopt);
  EXPECT_EQ(OemByteOf(U'A', 999), std::nullopt) << "an unknown page";
}

}  // namespace
}  // namespace kova
