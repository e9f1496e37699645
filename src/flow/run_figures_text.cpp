#include "flow/run_figures_text.h"

#include <cstdio>
#include <vector>

#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"

namespace kova {

namespace {

constexpr char kSeparator[] = " \u00B7 ";

// Rounds up to a whole number of steps.
int64_t RoundedUp(int64_t value, int64_t step) {
  return (value + step - 1) / step * step;
}

// The counts of files the run's kind tells of.
void AddFileCounts(TXRunFiguresKind kind, const TXRunFigures::TXSnapshot& figures,
                   std::vector<std::string>& parts) {
  const TXLg& lg = Lg();
  const std::string files = std::to_string(figures.Files);
  const std::string failed = std::to_string(figures.Failed);
  switch (kind) {
    case TXRunFiguresKind::rfScan:
      parts.push_back(lg.Format(lg::kFiguresFound, {files}));
      break;
    case TXRunFiguresKind::rfRestore:
      parts.push_back(lg.Format(lg::kFiguresSaved, {files}));
      if (figures.Failed > 0) parts.push_back(lg.Format(lg::kFiguresFailed, {failed}));
      break;
    case TXRunFiguresKind::rfImage:
      if (figures.Failed > 0) parts.push_back(lg.Format(lg::kFiguresUnreadable, {failed}));
      break;
  }
}

}  // namespace

std::string TimeLeftText(std::chrono::seconds left) {
  const TXLg& lg = Lg();
  const int64_t seconds = std::max<int64_t>(left.count(), 0);
  const std::string h = lg.Word(lg::kHours);
  const std::string min = lg.Word(lg::kMinutes);
  const std::string s = lg.Word(lg::kSeconds);
  if (seconds < 60) return std::to_string(RoundedUp(seconds, 5)) + " " + s;
  if (seconds < 600) {
    const int64_t rounded = RoundedUp(seconds, 10);
    return std::to_string(rounded / 60) + " " + min + " " + std::to_string(rounded % 60) + " " + s;
  }
  const int64_t minutes = RoundedUp(seconds, 60) / 60;
  if (minutes < 60) return std::to_string(minutes) + " " + min;
  char rest[8];
  std::snprintf(rest, sizeof rest, "%02d", static_cast<int>(minutes % 60));
  return std::to_string(minutes / 60) + " " + h + " " + rest + " " + min;
}

std::string RunFiguresText(TXRunFiguresKind kind, const TXRunFigures::TXSnapshot& figures,
                           const TXRateMeter& meter) {
  const TXLg& lg = Lg();
  std::vector<std::string> parts;
  // The folders are read before any byte is searched: their entries are what moves then.
  if (kind == TXRunFiguresKind::rfScan && figures.Done == 0 && figures.Entries > 0)
    parts.push_back(lg.Format(lg::kFiguresEntries, {std::to_string(figures.Entries)}));
  else if (figures.Total > 0)
    parts.push_back(lg.Format(lg::kFiguresBytes,
                              {FormatByteSize(figures.Done), FormatByteSize(figures.Total)}));
  AddFileCounts(kind, figures, parts);
  if (figures.BadAreas > 0) {
    parts.push_back(lg.Format(lg::kFiguresBadAreas, {std::to_string(figures.BadAreas),
                                                     FormatByteSize(figures.Unreadable)}));
  }
  if (figures.Missing > 0)
    parts.push_back(lg.Format(lg::kFiguresMissing, {FormatByteSize(figures.Missing)}));
  if (const std::optional<double> speed = meter.Speed())
    parts.push_back(lg.Format(lg::kFiguresSpeed, {FormatByteSize(static_cast<int64_t>(*speed))}));
  if (const std::optional<std::chrono::seconds> left = meter.TimeLeft(); left && left->count() > 0)
    parts.push_back(lg.Format(lg::kFiguresTimeLeft, {TimeLeftText(*left)}));
  std::string text;
  for (const std::string& part : parts)
    text += (text.empty() ? "" : kSeparator) + part;
  return text;
}

}  // namespace kova
