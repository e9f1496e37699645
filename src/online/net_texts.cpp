#include "online/net_texts.h"

#include <cstdio>

#include "persistence/lg.h"
#include "persistence/lg_keys.h"

namespace kova {

namespace {

std::string FixedText(double value, const char* unit) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.2f%s", value, unit);
  return text;
}

constexpr int64_t kMegabyteFrom = 900 * 1024;

}  // namespace

std::string NetSizeText(int64_t bytes) {
  if (bytes < kMegabyteFrom) return FixedText(static_cast<double>(bytes) / 1024, " KB");
  return FixedText(static_cast<double>(bytes) / 1048576, " MB");
}

std::string NetRateText(double rate) {
  return FixedText(rate, "");
}

TXNetTexts TXNetTexts::FromLanguage() {
  const TXLg& lg = Lg();
  return {lg.Word(lg::kNetStatusKnown), lg.Word(lg::kNetStatusUnknown),
          lg.Word(lg::kNetSpeed),       lg.Word(lg::kNetSummary),
          lg.Word(lg::kHours),          lg.Word(lg::kMinutes),
          lg.Word(lg::kSeconds)};
}

std::string TXNetTexts::TimeText(int64_t seconds) const {
  int64_t hours = seconds / 3600;
  if (hours > 0) seconds %= 3600;
  int64_t minutes = seconds / 60;
  const int64_t rest = seconds % 60;
  if (hours != 0) {
    if (hours > 24) hours = minutes = 0;
    return std::to_string(hours) + " " + Hours + " " + std::to_string(minutes) + " " + Minutes;
  }
  return std::to_string(minutes) + " " + Minutes + " " + std::to_string(rest) + " " + Seconds;
}

}  // namespace kova
