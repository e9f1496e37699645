#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kova::cli {

// The progress of a run on a terminal: a bar, the per cent done, the time since the start and
// (unless countsFiles is false) the files found or saved so far, redrawn in place at most ten
// times a second. Draws nothing when the stream is not a terminal.
class TXCliProgressBar {
 public:
  explicit TXCliProgressBar(std::FILE* stream, bool countsFiles = true);
  ~TXCliProgressBar() { Clear(); }

  bool Shown() const { return shown_; }
  // Position 0 to 1000.
  void SetPosition(int32_t position);
  void SetFiles(int64_t files);
  // Removes the bar from its line (before other output, and at the end).
  void Clear();

  // The bar's text for the state; exposed for the tests.
  static std::string Render(int32_t position, std::chrono::seconds elapsed, int64_t files);
  static std::string Render(int32_t position, std::chrono::seconds elapsed);

 private:
  void Draw(bool force);

  std::FILE* stream_;
  bool shown_;
  bool countsFiles_;
  bool drawn_ = false;
  int32_t position_ = 0;
  int64_t files_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kova::cli
