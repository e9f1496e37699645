#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "flow/run_figures_text.h"
#include "framework/rate_meter.h"
#include "framework/run_figures.h"

namespace kova::cli {

// The progress of a run on a terminal: a bar, the per cent done, the time since the start and
// the run's figures (bytes done of the total, files, speed, time left), redrawn in place at most
// ten times a second. Draws nothing when the stream is not a terminal.
class TXCliProgressBar {
 public:
  TXCliProgressBar(std::FILE* stream, const TXRunFigures& figures, TXRunFiguresKind kind);
  ~TXCliProgressBar() { Clear(); }

  bool Shown() const { return shown_; }
  // Position 0 to 1000.
  void SetPosition(int32_t position);
  // Draws the line again with the latest figures, unless it was drawn a moment ago.
  void Refresh();
  // Removes the bar from its line (before other output, and at the end).
  void Clear();

  // The bar's text for the state; exposed for the tests.
  static std::string Render(int32_t position, std::chrono::seconds elapsed,
                            const std::string& figures);

 private:
  void Draw(bool force);

  std::FILE* stream_;
  bool shown_;
  const TXRunFigures& figures_;
  TXRunFiguresKind kind_;
  TXRateMeter meter_;
  bool drawn_ = false;
  int32_t position_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kova::cli
