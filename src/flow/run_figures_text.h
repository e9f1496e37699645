#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "framework/rate_meter.h"
#include "framework/run_figures.h"

namespace kova {

// Which run the figures belong to: it decides what the file counts mean.
enum class TXRunFiguresKind : uint8_t {
  rfScan,     // files found
  rfRestore,  // files saved, and those that failed
  rfImage,    // units that could not be read
};

// The figures of a run as one line of text for the people watching it, the parts that are known
// separated by " · ": "1.20 GB of 7.40 GB · 312 files found · 45.20 MB/s · 2 min 10 s left".
std::string RunFiguresText(TXRunFiguresKind kind, const TXRunFigures::TXSnapshot& figures,
                           const TXRateMeter& meter);

// A time left in the units that matter at its length: "40 s", "2 min 10 s", "25 min",
// "1 h 05 min". Short times are rounded to steps that do not flicker from reading to reading.
std::string TimeLeftText(std::chrono::seconds left);

}  // namespace kova
