#include "cli/cli_scan_report.h"

#include <cstdio>

#include "cli/cli_texts.h"
#include "framework/aspects.h"
#include "persistence/lg_keys.h"
#include "recovery/recovery_aspects.h"

namespace kova::cli {

TXCliScanReport::TXCliScanReport(TXCliSession& session, bool json)
    : session_(session),
      json_(json),
      bar_(stderr, session.WorkerGear().Worker().Figures(), TXRunFiguresKind::rfScan) {
  session_.WorkerGear().AddObserver(
      TXHandler(this, "report", [this](AXNotification& n) { OnWorkerEvent(n); }));
}

TXCliScanReport::~TXCliScanReport() {
  session_.WorkerGear().RemoveObserversOf(this);
}

void TXCliScanReport::OnWorkerEvent(AXNotification& notification) {
  if (auto* added = notification.AspectAs<TXDRAddFileAspect>()) {
    const TXDRFileItem& item = *added->Item;
    ++files_;
    bytes_ += item.Size();
    bar_.Clear();
    std::printf("%s\n", (json_ ? FoundFileJson(item) : FoundFileLine(item)).c_str());
    std::fflush(stdout);
    bar_.Refresh();
  } else if (auto* progress = notification.AspectAs<TXProgressChangedAspect>()) {
    bar_.SetPosition(progress->Position);
  }
}

void TXCliScanReport::Finish(const std::string& source, const TXCliRunEnd& end) {
  bar_.Clear();
  TXCliScanSummary summary;
  summary.Source = source;
  summary.Files = files_;
  summary.Bytes = bytes_;
  summary.Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  summary.Code = end.ErrorData.Code;
  summary.Cancelled = end.Cancelled();
  summary.Missing = session_.WorkerGear().Data().Volumes.MissingBytes();
  if (json_) {
    std::printf("%s\n", SummaryJson(summary).c_str());
    return;
  }
  if (summary.Cancelled) std::fprintf(stderr, "%s\n", Say(lg::kCliStopped).c_str());
  if (summary.Cancelled || summary.Code == kErrNone)
    std::printf("%s\n", SummaryLine(summary).c_str());
  if (summary.Missing > 0) std::printf("%s\n", MissingLine(summary.Missing).c_str());
}

}  // namespace kova::cli
