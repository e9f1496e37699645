#include "recovery/formats/exif_date.h"

#include <chrono>
#include <exception>

#include "framework/error_data.h"
#include "recovery/formats/format_reader.h"
#include "recovery/formats/tiff_walk.h"

namespace kova {

namespace {

constexpr size_t kDateLength = 19;  // "YYYY:MM:DD HH:MM:SS"
constexpr int kFirstYear = 1900;

// The number written in text[at, at + digits), or -1 when a character is not a digit.
int NumberAt(std::string_view text, size_t at, size_t digits) {
  int value = 0;
  for (size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

double ExifDateTime(std::string_view text) {
  using namespace std::chrono;
  if (text.size() < kDateLength) return 0;
  const int years = NumberAt(text, 0, 4);
  const int months = NumberAt(text, 5, 2);
  const int days = NumberAt(text, 8, 2);
  const int hours = NumberAt(text, 11, 2);
  const int minutes = NumberAt(text, 14, 2);
  const int seconds = NumberAt(text, 17, 2);
  const year_month_day date{year{years}, month{static_cast<unsigned>(months)},
                            day{static_cast<unsigned>(days)}};
  if (years < kFirstYear || !date.ok() || hours < 0 || hours > 23 || minutes < 0 || minutes > 59 ||
      seconds < 0 || seconds > 59) {
    return 0;
  }
  constexpr sys_days kEpoch = 1899y / December / 30;
  const double whole = static_cast<double>((sys_days(date) - kEpoch).count());
  return whole + (hours * 3600.0 + minutes * 60.0 + seconds) / 86400.0;
}

double TakenDateTime(TXFormatReader& reader, int64_t start) {
  const TXErrorData before = ThreadError();
  try {
    TXTiffFacts facts;
    TXTiffWalk walk(reader, start, false);
    if (!walk.WalkChain(facts)) return 0;
    walk.WalkSideDirectories();
    return ExifDateTime(facts.TakenText);
  } catch (const EXMeasureAbort&) {
  } catch (const std::exception&) {
  }
  ThreadError() = before;
  return 0;
}

}  // namespace kova
