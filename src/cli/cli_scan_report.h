#pragma once

#include <cstdint>

#include "cli/cli_found_files.h"
#include "cli/cli_progress_bar.h"
#include "cli/cli_session.h"

namespace kova::cli {

// What a scan shows while it runs: one line (text or JSON) per file as the worker gear announces
// it on standard output, and the progress bar on standard error when that is a terminal.
class TXCliScanReport {
 public:
  TXCliScanReport(TXCliSession& session, bool json);
  ~TXCliScanReport();
  TXCliScanReport(const TXCliScanReport&) = delete;
  TXCliScanReport& operator=(const TXCliScanReport&) = delete;

  // Removes the bar and prints the summary of the ended run.
  void Finish(const std::string& source, const TXCliRunEnd& end);
  bool ShowsProgress() const { return bar_.Shown(); }

 private:
  void OnWorkerEvent(AXNotification& notification);

  TXCliSession& session_;
  bool json_;
  TXCliProgressBar bar_;
  int32_t files_ = 0;
  int64_t bytes_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace kova::cli
