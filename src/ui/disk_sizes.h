#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <span>

// The card sizes the disk page offers when a drive does not report its size.
namespace kova {

inline constexpr int64_t kMiB = 1048576;
inline constexpr int64_t kGiB = 1073741824;

struct TXPredefinedSize {
  const char* Caption;
  int32_t MiB;
};

// "8 MB" to "128 GB", in the order the list shows them.
std::span<const TXPredefinedSize> PredefinedSizes();

// A size typed by the user: the number (in the locale's format, or with a full stop) rounded to
// a whole number, halves to even, times the unit. 0 for text that is not a number, a negative
// number or a size beyond what a signed 64-bit count holds.
int64_t CustomSizeBytes(const QString& text, bool gigabytes, const QLocale& locale = QLocale());

// A drive size as the size box shows it: gibibytes with two decimals in the locale's format.
QString SizeEditText(int64_t bytes, const QLocale& locale = QLocale());

}  // namespace kova
