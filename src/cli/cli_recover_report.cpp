#include "cli/cli_recover_report.h"

#include <cstdio>
#include <filesystem>

#include "cli/cli_found_files.h"
#include "cli/cli_json.h"
#include "cli/cli_texts.h"
#include "framework/aspects.h"
#include "framework/text_utils.h"
#include "output/restore_thread.h"
#include "persistence/lg_keys.h"
#include "recovery/file_types.h"
#include "recovery/recovery_aspects.h"
#include "storage/disk_info.h"
#include "storage/platform_device.h"

namespace kova::cli {

namespace {

std::string ReasonOf(const TXErrorData& error) {
  if (error.OSError != 0) return OsErrorText(error.OSError);
  return error.Text.empty() ? std::to_string(error.Code) : error.Text;
}

std::string ResultKey(uint8_t result) {
  return result == rrSaved ? "saved" : result == rrDamaged ? "damaged" : "failed";
}

std::string ResultText(const TXDRFileRestoredAspect& file) {
  if (file.Result == rrSaved) return Say(lg::kCliResultSaved);
  const uint32_t id = file.Result == rrDamaged ? lg::kCliResultDamaged : lg::kCliResultFailed;
  return Say(id, {ReasonOf(file.Error)});
}

std::string WrittenName(const TXDRFileRestoredAspect& file) {
  return file.FileName.empty() ? file.Item->Name
                               : std::filesystem::path(file.FileName).filename().string();
}

std::string RestoredLine(const TXDRFileRestoredAspect& file) {
  const std::string ext = LowerCase(file.Item->Ext);
  const std::string type = ext.size() > 1 ? ext.substr(1) : "-";
  char line[1024];
  std::snprintf(line, sizeof line, "%-16s %-5s %12s  %-15s %s", WrittenName(file).c_str(),
                type.c_str(), FormatByteSize(file.Item->Size()).c_str(),
                OriginText(OriginOf(*file.Item)).c_str(), ResultText(file).c_str());
  return line;
}

std::string RestoredJson(const TXDRFileRestoredAspect& file) {
  TXJsonObject json;
  json.Add("file", file.FileName)
      .Add("name", file.Item->Name)
      .Add("volume", file.Item->Volume)
      .Add("folder", file.Item->Folder)
      .Add("ext", LowerCase(file.Item->Ext))
      .Add("size", file.Item->Size())
      .Add("origin", OriginKey(OriginOf(*file.Item)))
      .AddRaw("extents", ExtentsJson(file.Item->Blocks()))
      .Add("result", ResultKey(file.Result))
      .Add("unreadable", file.Unreadable);
  file.Result == rrSaved ? json.AddNull("error") : json.Add("error", ReasonOf(file.Error));
  return json.Text();
}

std::string SummaryJson(const std::string& folder, const TXCliRestoreSummary& summary,
                        const TXCliRunEnd& end, double seconds) {
  return TXJsonObject()
      .Add("summary", true)
      .Add("folder", folder)
      .Add("found", summary.Found)
      .Add("files", summary.Saved)
      .Add("bytes", summary.Bytes)
      .Add("images", summary.Images)
      .Add("video", summary.Video)
      .Add("audio", summary.Audio)
      .Add("damaged", summary.Damaged)
      .Add("unreadable", summary.Unreadable)
      .Add("failed", summary.Failed)
      .Add("seconds", seconds)
      .Add("code", end.ErrorData.Code)
      .Add("cancelled", end.Cancelled())
      .Add("missing_bytes", summary.Missing)
      .Text();
}

}  // namespace

TXCliRecoverReport::TXCliRecoverReport(TXCliSession& session, bool json)
    : session_(session),
      json_(json),
      bar_(std::in_place, stderr, session.WorkerGear().Worker().Figures(),
           TXRunFiguresKind::rfScan) {
  session_.WorkerGear().AddObserver(
      TXHandler(this, "report", [this](AXNotification& n) { OnWorkerEvent(n); }));
}

TXCliRecoverReport::~TXCliRecoverReport() {
  session_.WorkerGear().RemoveObserversOf(this);
}

void TXCliRecoverReport::NextPhase() {
  summary_.Missing = session_.WorkerGear().Data().Volumes.MissingBytes();
  bar_->Clear();
  bar_.emplace(stderr, session_.WorkerGear().Worker().Figures(), TXRunFiguresKind::rfRestore);
}

void TXCliRecoverReport::OnWorkerEvent(AXNotification& notification) {
  if (notification.AspectAs<TXDRAddFileAspect>()) {
    ++summary_.Found;
    bar_->Refresh();
  } else if (auto* progress = notification.AspectAs<TXProgressChangedAspect>()) {
    bar_->SetPosition(progress->Position);
  } else if (auto* file = notification.AspectAs<TXDRFileRestoredAspect>()) {
    Restored(*file);
  }
}

void TXCliRecoverReport::Restored(const TXDRFileRestoredAspect& file) {
  if (file.Result == rrFailed) {
    ++summary_.Failed;
  } else {
    ++summary_.Saved;
    summary_.Damaged += file.Result == rrDamaged;
    summary_.Unreadable += file.Unreadable;
    summary_.Bytes += file.Item->Size();
    switch (FileGroupOf(file.Item->Ext)) {
      case fgImages:
        ++summary_.Images;
        break;
      case fgVideo:
        ++summary_.Video;
        break;
      case fgAudio:
        ++summary_.Audio;
        break;
      default:
        break;
    }
  }
  bar_->Clear();
  std::printf("%s\n", (json_ ? RestoredJson(file) : RestoredLine(file)).c_str());
  std::fflush(stdout);
  bar_->Refresh();
}

void TXCliRecoverReport::Finish(const std::string& folder, const TXCliRunEnd& end) {
  bar_->Clear();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (json_) {
    std::printf("%s\n", SummaryJson(folder, summary_, end, seconds).c_str());
    return;
  }
  if (end.Cancelled()) std::fprintf(stderr, "%s\n", Say(lg::kCliStopped).c_str());
  std::printf(
      "%s\n%s\n",
      Say(lg::kCliRestoreSummary,
          {std::to_string(summary_.Saved), FormatByteSize(summary_.Bytes), folder})
          .c_str(),
      Say(lg::kCliRestoreGroups, {std::to_string(summary_.Images), std::to_string(summary_.Video),
                                  std::to_string(summary_.Audio)})
          .c_str());
  if (summary_.Damaged > 0)
    std::printf("%s\n", Say(lg::kCliRestoreDamaged, {std::to_string(summary_.Damaged)}).c_str());
  if (summary_.Failed > 0)
    std::printf("%s\n", Say(lg::kCliRestoreFailed, {std::to_string(summary_.Failed)}).c_str());
  if (summary_.Missing > 0) std::printf("%s\n", MissingLine(summary_.Missing).c_str());
}

}  // namespace kova::cli
