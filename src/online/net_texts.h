#pragma once

#include <cstdint>
#include <string>

// The texts that requests show while they run: sizes, times, status and speed lines.
namespace kova {

// Below 900 KB "%0.2f KB" of n / 1024, from there on "%0.2f MB" of n / 1048576.
std::string NetSizeText(int64_t bytes);
// "%0.2f".
std::string NetRateText(double rate);

// The language texts a request uses, read once on the user-interface thread when the request
// is made, so that its thread never touches the language object.
struct TXNetTexts {
  std::string StatusKnown;    // time left, received, total, per cent
  std::string StatusUnknown;  // received
  std::string Speed;          // KB per second
  std::string Summary;        // amount, elapsed time
  std::string Hours;
  std::string Minutes;
  std::string Seconds;

  static TXNetTexts FromLanguage();

  // Hours and minutes when there are whole hours (0 and 0 beyond 24 hours), otherwise minutes
  // and seconds, the parts separated by single blanks: "2 min 5 s".
  std::string TimeText(int64_t seconds) const;
};

}  // namespace kova
