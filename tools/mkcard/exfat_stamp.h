#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dos_entries.h"

namespace kova::mkcard {

// An exFAT time stamp: a DOS date and time (two-second steps), up to 1.99 s more in 10 ms
// steps, and the local time's offset from UTC in quarter hours when it is known.
struct ExfatStamp {
  DosTime time;
  uint8_t centiseconds = 0;  // 0 to 199
  int8_t utc_quarters = 0;   // -48 (UTC-12:00) to 56 (UTC+14:00)
  bool utc_valid = false;
};

// "YYYY-MM-DD HH:MM:SS[.CC][+HH:MM|-HH:MM|Z]", e.g. "2024-05-18 10:00:01.37+02:00"; the
// offset must be whole quarter hours.
std::optional<ExfatStamp> ParseExfatStamp(std::string_view text);
// The same form; the offset only when it is known.
std::string FormatExfatStamp(const ExfatStamp& stamp);

// The 32-bit stamp field (date in the high half) and the UTC offset field of an entry.
uint32_t ExfatTimestampField(const ExfatStamp& stamp);
uint8_t ExfatUtcOffsetField(const ExfatStamp& stamp);

}  // namespace kova::mkcard
