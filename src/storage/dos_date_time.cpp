#include "storage/dos_date_time.h"

#include <chrono>

namespace kova {

bool DosDateTimeToDateTime(uint16_t date, uint16_t time, double& value) {
  using namespace std::chrono;
  year_month_day day{year{1980 + (date >> 9)}, month{(date >> 5) & 0x0Fu},
                     std::chrono::day{date & 0x1Fu}};
  unsigned hours = time >> 11;
  unsigned minutes = (time >> 5) & 0x3F;
  unsigned seconds = (time & 0x1F) * 2;
  if (!day.ok() || hours > 23 || minutes > 59 || seconds > 59) return false;
  constexpr sys_days kEpoch = 1899y / December / 30;
  double days = static_cast<double>((sys_days(day) - kEpoch).count());
  value = days + (hours * 3600.0 + minutes * 60.0 + seconds) / 86400.0;
  return true;
}

}  // namespace kova
