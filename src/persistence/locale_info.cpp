#include "persistence/locale_info.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "framework/text_utils.h"

namespace kova {

namespace {

struct LocaleEntry {
  std::string_view Language;
  std::string_view Country;
  uint16_t LgID;
};

// The first entry of each language is its main variant.
constexpr std::array kLocales = {
    LocaleEntry{"en", "US", 0x0409}, LocaleEntry{"en", "GB", 0x0809},
    LocaleEntry{"en", "AU", 0x0C09}, LocaleEntry{"en", "CA", 0x1009},
    LocaleEntry{"en", "NZ", 0x1409}, LocaleEntry{"en", "IE", 0x1809},
    LocaleEntry{"en", "ZA", 0x1C09}, LocaleEntry{"en", "IN", 0x4009},
    LocaleEntry{"de", "DE", 0x0407}, LocaleEntry{"de", "CH", 0x0807},
    LocaleEntry{"de", "AT", 0x0C07}, LocaleEntry{"de", "LU", 0x1007},
    LocaleEntry{"fr", "FR", 0x040C}, LocaleEntry{"fr", "BE", 0x080C},
    LocaleEntry{"fr", "CA", 0x0C0C}, LocaleEntry{"fr", "CH", 0x100C},
    LocaleEntry{"es", "ES", 0x0C0A}, LocaleEntry{"es", "MX", 0x080A},
    LocaleEntry{"es", "AR", 0x2C0A}, LocaleEntry{"es", "CO", 0x240A},
    LocaleEntry{"es", "CL", 0x340A}, LocaleEntry{"es", "US", 0x540A},
    LocaleEntry{"it", "IT", 0x0410}, LocaleEntry{"it", "CH", 0x0810},
    LocaleEntry{"pt", "BR", 0x0416}, LocaleEntry{"pt", "PT", 0x0816},
    LocaleEntry{"nl", "NL", 0x0413}, LocaleEntry{"nl", "BE", 0x0813},
    LocaleEntry{"sv", "SE", 0x041D}, LocaleEntry{"sv", "FI", 0x081D},
    LocaleEntry{"da", "DK", 0x0406}, LocaleEntry{"nb", "NO", 0x0414},
    LocaleEntry{"nn", "NO", 0x0814}, LocaleEntry{"fi", "FI", 0x040B},
    LocaleEntry{"is", "IS", 0x040F}, LocaleEntry{"pl", "PL", 0x0415},
    LocaleEntry{"cs", "CZ", 0x0405}, LocaleEntry{"sk", "SK", 0x041B},
    LocaleEntry{"hu", "HU", 0x040E}, LocaleEntry{"ro", "RO", 0x0418},
    LocaleEntry{"bg", "BG", 0x0402}, LocaleEntry{"hr", "HR", 0x041A},
    LocaleEntry{"sr", "RS", 0x241A}, LocaleEntry{"sl", "SI", 0x0424},
    LocaleEntry{"et", "EE", 0x0425}, LocaleEntry{"lv", "LV", 0x0426},
    LocaleEntry{"lt", "LT", 0x0427}, LocaleEntry{"el", "GR", 0x0408},
    LocaleEntry{"tr", "TR", 0x041F}, LocaleEntry{"ru", "RU", 0x0419},
    LocaleEntry{"uk", "UA", 0x0422}, LocaleEntry{"be", "BY", 0x0423},
    LocaleEntry{"ca", "ES", 0x0403}, LocaleEntry{"eu", "ES", 0x042D},
    LocaleEntry{"gl", "ES", 0x0456}, LocaleEntry{"he", "IL", 0x040D},
    LocaleEntry{"ar", "SA", 0x0401}, LocaleEntry{"ar", "EG", 0x0C01},
    LocaleEntry{"fa", "IR", 0x0429}, LocaleEntry{"hi", "IN", 0x0439},
    LocaleEntry{"th", "TH", 0x041E}, LocaleEntry{"vi", "VN", 0x042A},
    LocaleEntry{"id", "ID", 0x0421}, LocaleEntry{"ms", "MY", 0x043E},
    LocaleEntry{"ja", "JP", 0x0411}, LocaleEntry{"ko", "KR", 0x0412},
    LocaleEntry{"zh", "CN", 0x0804}, LocaleEntry{"zh", "TW", 0x0404},
    LocaleEntry{"zh", "HK", 0x0C04}, LocaleEntry{"zh", "SG", 0x1004},
};

constexpr uint16_t kEnglishUS = 0x0409;

std::string_view EnvironmentLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

std::string FourHex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof(text), "%04x", value & 0xFFFFu);
  return text;
}

}  // namespace

TXVelLocale::TXVelLocale() : TXVelLocale(EnvironmentLocale()) {}

TXVelLocale::TXVelLocale(std::string_view posixLocale) : userLgID_(LgIDOfLocale(posixLocale)) {}

std::string TXVelLocale::UserLgIDText() const {
  return FourHex(userLgID_);
}

std::string TXVelLocale::UserPrimaryLgIDText() const {
  return FourHex(UserPrimaryLgID());
}

uint16_t TXVelLocale::LgIDOfLocale(std::string_view posixLocale) {
  std::string_view name = posixLocale.substr(0, posixLocale.find_first_of(".@"));
  std::string_view language = name.substr(0, name.find_first_of("_-"));
  std::string_view country =
      language.size() < name.size() ? name.substr(language.size() + 1) : std::string_view();
  const LocaleEntry* main = nullptr;
  for (const LocaleEntry& entry : kLocales) {
    if (!SameText(entry.Language, language)) continue;
    if (SameText(entry.Country, country)) return entry.LgID;
    if (!main) main = &entry;
  }
  return main ? main->LgID : kEnglishUS;
}

std::string TXVelLocale::IsoName(uint16_t lgID) {
  const LocaleEntry* main = nullptr;
  for (const LocaleEntry& entry : kLocales) {
    if (entry.LgID == lgID) return std::string(entry.Language) + "-" + std::string(entry.Country);
    if (!main && PrimaryOf(entry.LgID) == PrimaryOf(lgID)) main = &entry;
  }
  if (!main) return "en-US";
  return std::string(main->Language) + "-" + std::string(main->Country);
}

const TXVelLocale& VelLocale() {
  static const TXVelLocale locale;
  return locale;
}

}  // namespace kova
