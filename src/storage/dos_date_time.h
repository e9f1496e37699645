#pragma once

#include <cstdint>

namespace kova {

// Converts the 16-bit date and time of a FAT directory entry into a date-time (days since
// 1899-12-30, the time of day as the fraction), as written, without any time-zone conversion.
// False for an impossible date or time (month 13, 30 February, hour 24, 60 minutes, ...).
bool DosDateTimeToDateTime(uint16_t date, uint16_t time, double& value);

}  // namespace kova
