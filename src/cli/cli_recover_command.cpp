#include <unistd.h>

#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_recover_report.h"
#include "cli/cli_session.h"
#include "cli/cli_source.h"
#include "cli/cli_texts.h"
#include "framework/aspects.h"
#include "output/folder_commands.h"
#include "output/sweep_saver.h"
#include "persistence/lg_keys.h"
#include "run/run_data.h"
#include "storage/bad_sector_map.h"
#include "storage/buf_disk_stream.h"
#include "storage/disk_info.h"

namespace kova::cli {

namespace {

std::string AsFolder(std::string folder) {
  if (folder.back() != '/') folder += '/';
  return folder;
}

// Refuses a folder on the drive being read and one that cannot be made, before the search. An
// image file is not a drive: as in the wizard, a folder beside it is fine.
bool FolderUsable(const TXCliSource& source, const std::string& folder) {
  TXDRCheckDiskAndRestoreFolderCommand check(
      source.Kind == TXCliSourceKind::skDrive ? source.Path : std::string(), folder, 0);
  check.Execute();
  return check.Accepted;
}

bool RoomFor(const std::string& folder, int64_t bytes) {
  TXDRCheckRestoreFolderCommand check(folder, bytes);
  check.Execute();
  return check.Accepted;
}

// Only the files of deleted entries, lost folders and the search stay checked.
void CheckOnlyDeleted(TXDRFileCollection& files) {
  for (int32_t i = 0; i < files.Count(); ++i)
    files[i]->Checked = !files[i]->Status.Contains(drEntry);
}

int RestoreOutcome(const TXCliSource& source, const TXCliRunEnd& end) {
  switch (end.ErrorData.Code) {
    case kErrNone:
      return ceSuccess;
    case kErrCancelled:
      return ceCancelled;
    case kErrWrite:
      return Fail(end.ErrorData.Text, ceOutputFailed);
    default:
      return Fail(ReadFailure(source, end.ErrorData), ceSourceUnreadable);
  }
}

// What the run knows of the source's unreadable areas: the card's map, or an image's mapfile.
std::shared_ptr<TXBadSectorMap> RunMapOf(TXCliSession* session) {
  const TXCustomDiskIO* io = session ? session->WorkerGear().Data().IO : nullptr;
  const TXCustomBufStream* stream = io ? io->Stream() : nullptr;
  return stream ? stream->BadSectors() : nullptr;
}

// The saver that writes the files as the scan passes them, through a reader of its own. A card's
// reader reads through the run's map: zeros at once for the sectors the scan found bad, counted
// as unreadable, so that a damaged file is saved in the sweep like the others; an image's reader
// knows the holes its mapfile names.
std::unique_ptr<TXDRSweepSaver> SaverFor(const TXCliSource& source, const std::string& folder,
                                         bool onlyDeleted, TXCliSession* const& session) {
  const std::string path = source.Path;
  const bool drive = source.Kind == TXCliSourceKind::skDrive;
  return std::make_unique<TXDRSweepSaver>(
      folder,
      [path, drive, &session]() -> std::unique_ptr<TXStream> {
        if (drive)
          return std::make_unique<TXBufDiskStream>(path, kMediumWindowSize, RunMapOf(session));
        auto image = std::make_unique<TXBufFileStream>(path);
        image->SetBadSectors(RunMapOf(session));
        return image;
      },
      [onlyDeleted](const TXDRFileItem& item) {
        return !onlyDeleted || !item.Status.Contains(drEntry);
      });
}

int32_t CheckedCount(const TXDRFileCollection& files) {
  int32_t count = 0;
  for (int32_t i = 0; i < files.Count(); ++i)
    count += files[i]->Checked;
  return count;
}

}  // namespace

int RunRecoverCommand(const TXCliArguments& arguments) {
  std::string path;
  int status = ceSuccess;
  if (!TakeSource(arguments, path, status)) return status;
  TXScanChoices choices;
  if (!ReadChoices(arguments, choices)) return ceUsage;
  const std::optional<std::string> out = arguments.Value("out");
  if (!out || out->empty()) return Fail(Say(lg::kCliMissingArgument, {"--out DIR"}), ceUsage);
  const TXCliSource source = ExamineSource(path);
  if (!MapFitsSource(choices, source.Kind == TXCliSourceKind::skDrive)) return ceUsage;
  if (!source.IsUsable()) return Fail(SourceProblem(source), ceSourceUnreadable);
  const std::string folder = AsFolder(*out);

  // Made before the session, whose threads use it, and removed after it with what is left.
  TXCliSession* running = nullptr;
  const std::unique_ptr<TXDRSweepSaver> saver =
      SaverFor(source, folder, arguments.Has("only-deleted"), running);
  TXCliSession session;
  running = &session;
  TXCliInterrupt interrupt(
      session.Engine(), [&session] { DispatchAspect<TXActionCancelAspect>(session.ViewGear()); });
  TXCliDialogs dialogs(STDIN_FILENO, stderr, [&interrupt] { return interrupt.Interrupted(); });
  TXCliDialogsInstalled installed(dialogs);
  TXCliRecoverReport report(session, arguments.Has("json"));
  dialogs.BeforeWriting = [&report] { report.ClearBar(); };
  // The folder is made only for a card that opens: a refused card leaves nothing behind.
  if (const std::string failure = OpenFailure(source); !failure.empty())
    return Fail(failure, ceSourceUnreadable);
  if (!FolderUsable(source, folder))
    return Fail(Say(lg::kCliFolderRefused, {folder}), ceOutputFailed);

  ApplyChoices(session, choices);
  // The files are saved, not shown: only the pictures that decide whether a file counts.
  session.WorkerGear().Data().KeepThumbnails = false;
  if (report.ShowsProgress()) {
    std::fprintf(stderr, "%s\n%s\n", Say(lg::kCliScanning, {path}).c_str(),
                 Say(lg::kCliInterruptHint).c_str());
  }
  const TXCliRunEnd scan = session.Run(session.ScanCommand(source, choices.Size, saver.get()));
  report.ClearBar();
  if (scan.Cancelled() || interrupt.Interrupted()) return Fail(Say(lg::kCliStopped), ceCancelled);
  if (scan.ErrorData.Code != kErrNone) return ScanOutcome(session, source, scan);

  TXDRFileCollection& files = session.DataGear().FoundFiles();
  if (files.Count() == 0) return Fail(Say(lg::kNothingFound), ceSuccess);
  if (!arguments.Has("json")) {
    std::printf("%s\n", Say(lg::kCliScanSummary,
                            {std::to_string(files.Count()), FormatByteSize(files.CheckedSize())})
                            .c_str());
  }
  if (arguments.Has("only-deleted")) CheckOnlyDeleted(files);
  if (!RoomFor(folder, files.CheckedSize() - saver->SavedBytes())) return ceOutputFailed;
  std::fprintf(stderr, "%s\n",
               Say(lg::kCliRestoring, {std::to_string(CheckedCount(files)), folder}).c_str());
  report.NextPhase();
  const TXCliRunEnd restore = session.Run(session.RestoreCommand(
      source, choices.Size, folder, arguments.Has("keep-folders"), saver.get()));
  report.Finish(folder, restore);
  const int outcome = RestoreOutcome(source, restore);
  // Files with holes are saved, but the card could not be read completely.
  if (outcome == ceSuccess && report.Summary().Unreadable > 0) return ceSourceUnreadable;
  return outcome;
}

}  // namespace kova::cli
