#pragma once

#include <cstdint>
#include <string>

#include "recovery/file_item.h"

namespace kova::cli {

// Where a found file came from. Files of a lost folder carry the deleted-entry mark but keep
// their own names; a deleted entry's name starts with "!".
enum class TXCliOrigin { coLive, coDeleted, coLostFolder, coScan };

TXCliOrigin OriginOf(const TXDRFileItem& item);
std::string OriginText(TXCliOrigin origin);
// "live", "deleted", "lost", "scan".
std::string OriginKey(TXCliOrigin origin);

// The extents as a JSON array of [offset, size] pairs.
std::string ExtentsJson(const TXBlocks& blocks);

// One text line: name, type, size, picture size and origin.
std::string FoundFileLine(const TXDRFileItem& item);
// One JSON object: name, ext, size, status (flag names), origin, width, height, extents,
// thumbnail and the dates when known.
std::string FoundFileJson(const TXDRFileItem& item);

// The text and JSON summary of a run.
struct TXCliScanSummary {
  std::string Source;
  int32_t Files = 0;
  int64_t Bytes = 0;
  double Seconds = 0;
  int32_t Code = 0;
  bool Cancelled = false;
};
std::string SummaryLine(const TXCliScanSummary& summary);
std::string SummaryJson(const TXCliScanSummary& summary);

}  // namespace kova::cli
