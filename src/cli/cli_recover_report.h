#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli_progress_bar.h"
#include "cli/cli_session.h"

namespace kova {
class TXDRFileRestoredAspect;
}

namespace kova::cli {

// What a recovery wrote, counted from the restore's reports.
struct TXCliRestoreSummary {
  int32_t Found = 0;  // files the search found
  int32_t Saved = 0;  // files written, damaged ones included
  int64_t Bytes = 0;
  int32_t Images = 0;
  int32_t Video = 0;
  int32_t Audio = 0;
  int32_t Damaged = 0;     // written with unreadable stretches as zeros
  int64_t Unreadable = 0;  // bytes of those stretches
  int32_t Failed = 0;      // could not be written
  int64_t Missing = 0;     // bytes of the volumes past the end of the medium (a cut image)
};

// What kova-cli recover shows: the progress of the search and of the saving on the error output
// (when that is a terminal), one line (text or JSON) per checked file on the standard output as
// the restore reports it, then the summary.
class TXCliRecoverReport {
 public:
  TXCliRecoverReport(TXCliSession& session, bool json);
  ~TXCliRecoverReport();
  TXCliRecoverReport(const TXCliRecoverReport&) = delete;
  TXCliRecoverReport& operator=(const TXCliRecoverReport&) = delete;

  bool ShowsProgress() const { return bar_->Shown(); }
  // A fresh progress bar for the next phase (searching, then saving).
  void NextPhase();
  void ClearBar() { bar_->Clear(); }
  const TXCliRestoreSummary& Summary() const { return summary_; }

  // Removes the bar and prints the summary of the ended restore.
  void Finish(const std::string& folder, const TXCliRunEnd& end);

 private:
  void OnWorkerEvent(AXNotification& notification);
  void Restored(const TXDRFileRestoredAspect& file);

  TXCliSession& session_;
  bool json_;
  std::optional<TXCliProgressBar> bar_;
  TXCliRestoreSummary summary_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace kova::cli
