#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The user's language as a 16-bit language identifier: the primary language in the low byte
// and the country variant in the high byte (German in Germany 0x0407, English in the US 0x0409).
// On Linux it comes from the POSIX locale of the messages: LC_ALL, LC_MESSAGES or LANG.
namespace kova {

class TXVelLocale {
 public:
  // The locale of the environment.
  TXVelLocale();
  // A POSIX locale name such as "de_DE.UTF-8"; "C", "POSIX" and empty mean English (US).
  explicit TXVelLocale(std::string_view posixLocale);

  uint16_t UserLgID() const { return userLgID_; }
  uint8_t UserPrimaryLgID() const { return PrimaryOf(userLgID_); }
  // Four lower-case hexadecimal digits: "0407", and for the primary part "0007".
  std::string UserLgIDText() const;
  std::string UserPrimaryLgIDText() const;
  // "de-DE": the language's ISO 639 name, "-" and the country's ISO 3166 name.
  std::string UserIsoName() const { return IsoName(userLgID_); }

  static uint8_t PrimaryOf(uint16_t lgID) { return static_cast<uint8_t>(lgID & 0xFF); }
  static uint8_t SecondaryOf(uint16_t lgID) { return static_cast<uint8_t>(lgID >> 8); }
  // The identifier of a POSIX locale name; a known language in an unknown country gets its
  // main variant, an unknown language English (US).
  static uint16_t LgIDOfLocale(std::string_view posixLocale);
  // The ISO name of an identifier; a known primary language with an unknown variant gets its
  // main variant's name, anything else "en-US".
  static std::string IsoName(uint16_t lgID);

 private:
  uint16_t userLgID_;
};

// The process-wide locale helper, made from the environment on first use.
const TXVelLocale& VelLocale();

}  // namespace kova
