#include "exfat/exfat_time.h"

#include <cmath>
#include <ctime>

#include "storage/dos_date_time.h"

namespace kova {

namespace {

constexpr uint8_t kOffsetValid = 0x80;
constexpr uint8_t kMaxTenMilliseconds = 199;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a date-time

// The offset in minutes: the low seven bits as a two's complement number of quarter hours.
int OffsetMinutes(uint8_t field) {
  int quarters = field & 0x7F;
  if (quarters >= 0x40) quarters -= 0x80;
  return quarters * 15;
}

// The local date-time of an instant given as a UTC date-time, the fraction of a second kept.
double LocalOfUtc(double utc) {
  const double seconds = (utc - kUnixEpochDays) * kSecondsPerDay;
  const double whole = std::floor(seconds);
  const auto instant = static_cast<std::time_t>(whole);
  std::tm local{};
  if (!localtime_r(&instant, &local)) return utc;
  const double offset = static_cast<double>(local.tm_gmtoff);
  return (whole + offset) / kSecondsPerDay + kUnixEpochDays + (seconds - whole) / kSecondsPerDay;
}

}  // namespace

bool ExfatStampToDateTime(uint32_t stamp, uint8_t tenMilliseconds, uint8_t utcOffset,
                          double& value) {
  double written = 0;
  if (tenMilliseconds > kMaxTenMilliseconds ||
      !DosDateTimeToDateTime(static_cast<uint16_t>(stamp >> 16), static_cast<uint16_t>(stamp),
                             written)) {
    return false;
  }
  written += tenMilliseconds / 100.0 / kSecondsPerDay;
  if (!(utcOffset & kOffsetValid)) {
    value = written;
    return true;
  }
  value = LocalOfUtc(written - OffsetMinutes(utcOffset) / 1440.0);
  return true;
}

}  // namespace kova
