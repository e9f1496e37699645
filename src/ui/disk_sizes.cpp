#include "ui/disk_sizes.h"

#include <cmath>
#include <limits>

namespace kova {

namespace {

constexpr TXPredefinedSize kSizes[] = {
    {"8 MB", 8},      {"16 MB", 16},    {"32 MB", 32},     {"64 MB", 64},   {"128 MB", 128},
    {"256 MB", 256},  {"512 MB", 512},  {"650 MB", 650},   {"700 MB", 700}, {"1 GB", 1024},
    {"2 GB", 2048},   {"4 GB", 4096},   {"4.7 GB", 4813},  {"8 GB", 8192},  {"16 GB", 16384},
    {"32 GB", 32768}, {"64 GB", 65536}, {"128 GB", 131072}};

}  // namespace

std::span<const TXPredefinedSize> PredefinedSizes() {
  return kSizes;
}

int64_t CustomSizeBytes(const QString& text, bool gigabytes, const QLocale& locale) {
  bool ok = false;
  double value = locale.toDouble(text.trimmed(), &ok);
  if (!ok) value = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(value) || value < 0) return 0;
  const double whole = std::nearbyint(value);
  const double unit = static_cast<double>(gigabytes ? kGiB : kMiB);
  if (whole * unit >= static_cast<double>(std::numeric_limits<int64_t>::max())) return 0;
  return static_cast<int64_t>(whole) * (gigabytes ? kGiB : kMiB);
}

QString SizeEditText(int64_t bytes, const QLocale& locale) {
  return locale.toString(static_cast<double>(bytes) / static_cast<double>(kGiB), 'f', 2);
}

}  // namespace kova
