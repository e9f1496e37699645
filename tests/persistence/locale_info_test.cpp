#include "persistence/locale_info.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kova {
namespace {

TEST(LocaleInfoTest, PosixLocaleNamesGiveLanguageIdentifiers) {
  TXVelLocale german("de_DE.UTF-8");
  EXPECT_EQ(german.UserLgID(), 0x0407);
  EXPECT_EQ(german.UserPrimaryLgID(), 0x07);
  EXPECT_EQ(german.UserLgIDText(), "0407");
  EXPECT_EQ(german.UserPrimaryLgIDText(), "0007");
  EXPECT_EQ(german.UserIsoName(), "de-DE");

  EXPECT_EQ(TXVelLocale::LgIDOfLocale("pt_BR.UTF-8@variant"), 0x0416);
  EXPECT_EQ(TXVelLocale::LgIDOfLocale("de_AT"), 0x0C07);
  EXPECT_EQ(TXVelLocale::LgIDOfLocale("de_BE.UTF-8"), 0x0407) << "unknown country: main variant";
  EXPECT_EQ(TXVelLocale::LgIDOfLocale("fr"), 0x040C);
  EXPECT_EQ(TXVelLocale::LgIDOfLocale("zh_TW.Big5"), 0x0404);
  for (const char* english : {"C", "POSIX", "", "C.UTF-8", "xx_YY"}) {
    EXPECT_EQ(TXVelLocale::LgIDOfLocale(english), 0x0409) << english;
  }
}

TEST(LocaleInfoTest, IdentifiersSplitIntoPrimaryAndVariantAndHaveIsoNames) {
  EXPECT_EQ(TXVelLocale::PrimaryOf(0x0C07), 0x07);
  EXPECT_EQ(TXVelLocale::SecondaryOf(0x0C07), 0x0C);
  EXPECT_EQ(TXVelLocale::IsoName(0x0809), "en-GB");
  EXPECT_EQ(TXVelLocale::IsoName(0x0007), "de-DE");
  EXPECT_EQ(TXVelLocale::IsoName(0x00FF), "en-US");
}

TEST(LocaleInfoTest, TheEnvironmentIsReadInItsOrderOfPrecedence) {
  auto keep = [](const char* name) {
    const char* value = std::getenv(name);
    return std::pair<std::string, bool>(value ? value : "", value != nullptr);
  };
  auto lcAll = keep("LC_ALL");
  auto lcMessages = keep("LC_MESSAGES");
  auto lang = keep("LANG");
  setenv("LANG", "fr_FR.UTF-8", 1);
  setenv("LC_MESSAGES", "it_IT.UTF-8", 1);
  unsetenv("LC_ALL");
  EXPECT_EQ(TXVelLocale().UserLgID(), 0x0410);
  setenv("LC_ALL", "sv_SE.UTF-8", 1);
  EXPECT_EQ(TXVelLocale().UserLgID(), 0x041D);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  EXPECT_EQ(TXVelLocale().UserIsoName(), "fr-FR");
  for (auto [name, value] : {std::pair{"LC_ALL", lcAll}, std::pair{"LC_MESSAGES", lcMessages},
                             std::pair{"LANG", lang}}) {
    if (value.second) {
      setenv(name, value.first.c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
}

}  // namespace
}  // namespace kova
