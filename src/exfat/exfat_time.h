#pragma once

#include <cstdint>

namespace kova {

// Turns an exFAT time stamp into a date-time (days since 1899-12-30, the time of day as the
// fraction). The stamp is the entry's DOS date (high half) and time (low half), refined by up to
// 1.99 s in 10 ms steps. When the UTC offset field is valid (bit 7; the low seven bits a signed
// count of quarter hours) the stamp names an instant, which is given in this machine's local
// time, the time every date-time of the system is in; without a valid offset the stamp is taken
// as written, as FAT stamps are. False for an impossible date or time, or 10 ms steps past 199.
bool ExfatStampToDateTime(uint32_t stamp, uint8_t tenMilliseconds, uint8_t utcOffset,
                          double& value);

}  // namespace kova
