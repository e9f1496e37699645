#pragma once

#include <cstdint>
#include <string_view>

namespace kova {

class TXFormatReader;

// The date-time (days since 1899-12-30, the time of day as the fraction) of an EXIF date text
// "YYYY:MM:DD HH:MM:SS", as the camera's clock showed it; 0 for a text that names no possible
// moment (blanks, zeros, month 13, ...), as cameras without a set clock write.
double ExifDateTime(std::string_view text);

// The moment the picture was taken (its DateTimeOriginal) from the TIFF structure at `start` of
// the reader's source: an EXIF block or a raw file. 0 when it has none or cannot be read; the
// thread's error record stays as it was, whatever the structure holds.
double TakenDateTime(TXFormatReader& reader, int64_t start);

}  // namespace kova
