#include "cli/cli_found_files.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "cli/cli_json.h"
#include "cli/cli_texts.h"
#include "framework/markup_escape.h"
#include "framework/text_utils.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"

namespace kova::cli {

namespace {

constexpr std::pair<TXDRFileStatusValue, const char*> kStatusNames[] = {
    {drValidated, "drValidated"}, {drThnValidated, "drThnValidated"}, {drThnError, "drThnError"},
    {drEntry, "drEntry"},         {drDeletedEntry, "drDeletedEntry"}, {drScanValid, "drScanValid"},
    {drScanError, "drScanError"}, {drLostFolder, "drLostFolder"}};

std::string StatusJson(TXDRFileStatusSet status) {
  std::string json = "[";
  for (const auto& [value, name] : kStatusNames) {
    if (!status.Contains(value)) continue;
    if (json.size() > 1) json += ",";
    json += JsonQuoted(name);
  }
  return json + "]";
}

// A date-time (days since 1899-12-30) as "YYYY-MM-DDTHH:MM:SS".
std::string DateTimeText(double value) {
  using namespace std::chrono;
  const auto seconds = static_cast<int64_t>(std::llround(value * 86400.0));
  const sys_seconds moment = sys_days(1899y / December / 30) + std::chrono::seconds(seconds);
  const year_month_day day(floor<days>(moment));
  const hh_mm_ss time(moment - floor<days>(moment));
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

void AddDate(TXJsonObject& json, std::string_view name, double value) {
  value > 0 ? json.Add(name, DateTimeText(value)) : json.AddNull(name);
}

std::string TypeOf(const TXDRFileItem& item) {
  std::string ext = LowerCase(item.Ext);
  return ext.empty() || ext == "." ? "-" : ext.substr(1);
}

}  // namespace

std::string ExtentsJson(const TXBlocks& blocks) {
  std::string json = "[";
  for (const TXBlock& block : blocks) {
    if (json.size() > 1) json += ",";
    json += "[" + std::to_string(block.Start) + "," + std::to_string(block.Size) + "]";
  }
  return json + "]";
}

std::string OriginText(TXDRFileOrigin origin) {
  switch (origin) {
    case TXDRFileOrigin::foLive:
      return Say(lg::kCliOriginLive);
    case TXDRFileOrigin::foDeleted:
      return Say(lg::kCliOriginDeleted);
    case TXDRFileOrigin::foLostFolder:
      return Say(lg::kCliOriginLost);
    default:
      return Say(lg::kCliOriginScan);
  }
}

std::string OriginKey(TXDRFileOrigin origin) {
  switch (origin) {
    case TXDRFileOrigin::foLive:
      return "live";
    case TXDRFileOrigin::foDeleted:
      return "deleted";
    case TXDRFileOrigin::foLostFolder:
      return "lost";
    default:
      return "scan";
  }
}

std::string FoundFileLine(const TXDRFileItem& item) {
  std::string dimensions = "-";
  if (item.Dimensions.Width > 0 && item.Dimensions.Height > 0)
    dimensions =
        std::to_string(item.Dimensions.Width) + "x" + std::to_string(item.Dimensions.Height);
  char line[512];
  std::snprintf(line, sizeof line, "%-14s %-5s %12s %11s  %s", item.Name.c_str(),
                TypeOf(item).c_str(), FormatByteSize(item.Size()).c_str(), dimensions.c_str(),
                OriginText(OriginOf(item)).c_str());
  return line;
}

std::string FoundFileJson(const TXDRFileItem& item) {
  TXJsonObject json;
  json.Add("name", item.Name)
      .Add("volume", item.Volume)
      .Add("folder", item.Folder)
      .Add("ext", LowerCase(item.Ext))
      .Add("size", item.Size())
      .AddRaw("status", StatusJson(item.Status))
      .Add("origin", OriginKey(OriginOf(item)))
      .Add("width", item.Dimensions.Width)
      .Add("height", item.Dimensions.Height)
      .AddRaw("extents", ExtentsJson(item.Blocks()))
      .Add("thumbnail", item.Status.Contains(drThnValidated) && !item.Thumbnail.IsEmpty());
  AddDate(json, "created", item.Created);
  AddDate(json, "modified", item.Modified);
  return json.Text();
}

std::string SummaryLine(const TXCliScanSummary& summary) {
  return Say(lg::kCliScanSummary, {std::to_string(summary.Files), FormatByteSize(summary.Bytes)});
}

std::string SummaryJson(const TXCliScanSummary& summary) {
  return TXJsonObject()
      .Add("summary", true)
      .Add("source", summary.Source)
      .Add("files", summary.Files)
      .Add("bytes", summary.Bytes)
      .Add("seconds", summary.Seconds)
      .Add("code", summary.Code)
      .Add("cancelled", summary.Cancelled)
      .Add("missing_bytes", summary.Missing)
      .Text();
}

std::string MissingLine(int64_t missing) {
  if (missing <= 0) return {};
  return Say(lg::kCliMissing,
             {FormatByteSize(missing) + " (" + std::to_string(missing) + " bytes)"});
}

}  // namespace kova::cli
