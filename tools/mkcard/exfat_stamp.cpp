#include "exfat_stamp.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace kova::mkcard {

namespace {

constexpr int kMinQuarters = -48;
constexpr int kMaxQuarters = 56;

bool Digits(std::string_view text, int* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// "+HH:MM", "-HH:MM" or "Z".
bool ParseOffset(std::string_view text, ExfatStamp* stamp) {
  if (text == "Z") {
    stamp->utc_valid = true;
    return true;
  }
  int hours = 0;
  int minutes = 0;
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' ||
      !Digits(text.substr(1, 2), &hours) || !Digits(text.substr(4, 2), &minutes) ||
      minutes % 15 != 0) {
    return false;
  }
  const int quarters = (text[0] == '-' ? -1 : 1) * (hours * 4 + minutes / 15);
  if (quarters < kMinQuarters || quarters > kMaxQuarters) return false;
  stamp->utc_quarters = static_cast<int8_t>(quarters);
  stamp->utc_valid = true;
  return true;
}

}  // namespace

std::optional<ExfatStamp> ParseExfatStamp(std::string_view text) {
  constexpr size_t kSecondsAt = 17;  // "YYYY-MM-DD HH:MM:" is 17 characters
  if (text.size() < kSecondsAt + 2) return std::nullopt;
  int second = 0;
  if (!Digits(text.substr(kSecondsAt, 2), &second)) return std::nullopt;
  std::string even(text.substr(0, kSecondsAt + 2));
  even[kSecondsAt + 1] = static_cast<char>('0' + (second & ~1) % 10);
  const std::optional<DosTime> time = ParseDosTime(even);
  if (!time) return std::nullopt;
  ExfatStamp stamp;
  stamp.time = *time;
  int hundredths = 0;
  std::string_view rest = text.substr(kSecondsAt + 2);
  if (!rest.empty() && rest[0] == '.') {
    if (rest.size() < 3 || !Digits(rest.substr(1, 2), &hundredths)) return std::nullopt;
    rest.remove_prefix(3);
  }
  stamp.centiseconds = static_cast<uint8_t>((second & 1) * 100 + hundredths);
  if (!rest.empty() && !ParseOffset(rest, &stamp)) return std::nullopt;
  return stamp;
}

std::string FormatExfatStamp(const ExfatStamp& stamp) {
  std::string text = FormatDosTime(stamp.time);
  const int second = (stamp.time.time & 31) * 2 + stamp.centiseconds / 100;
  char tail[32];
  std::snprintf(tail, sizeof tail, "%02d.%02d", second, stamp.centiseconds % 100);
  text.replace(text.size() - 2, 2, tail);
  if (stamp.utc_valid) {
    const int quarters = std::abs(stamp.utc_quarters);
    std::snprintf(tail, sizeof tail, "%c%02d:%02d", stamp.utc_quarters < 0 ? '-' : '+',
                  quarters / 4, quarters % 4 * 15);
    text += tail;
  }
  return text;
}

uint32_t ExfatTimestampField(const ExfatStamp& stamp) {
  return uint32_t{stamp.time.date} << 16 | stamp.time.time;
}

uint8_t ExfatUtcOffsetField(const ExfatStamp& stamp) {
  if (!stamp.utc_valid) return 0;
  return static_cast<uint8_t>(0x80 | (static_cast<uint8_t>(stamp.utc_quarters) & 0x7F));
}

}  // namespace kova::mkcard
