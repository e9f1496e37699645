#pragma once

#include <cstdint>
#include <string>

#include "recovery/file_item.h"

namespace kova::cli {

// How the origin of a found file is said in a line and named in JSON.
std::string OriginText(TXDRFileOrigin origin);
// "live", "deleted", "lost", "scan".
std::string OriginKey(TXDRFileOrigin origin);

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
  int64_t Missing = 0;  // bytes of the volumes past the end of the medium (a cut image)
};
std::string SummaryLine(const TXCliScanSummary& summary);
std::string SummaryJson(const TXCliScanSummary& summary);
// The line that tells how much of the medium's volumes lies past its end; "" for none.
std::string MissingLine(int64_t missing);

}  // namespace kova::cli
