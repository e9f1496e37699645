#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "cli/cli_commands.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_progress_bar.h"
#include "cli/cli_session.h"
#include "cli/cli_source.h"
#include "cli/cli_texts.h"
#include "framework/aspects.h"
#include "output/image_file_commands.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"

namespace kova::cli {

namespace {

// What the copy shows: its log lines on the standard output and the progress bar on the error
// output (when that is a terminal).
class TXCliImageReport {
 public:
  explicit TXCliImageReport(TXCliSession& session)
      : session_(session),
        bar_(stderr, session.WorkerGear().Worker().Figures(), TXRunFiguresKind::rfImage) {
    session_.WorkerGear().AddObserver(
        TXHandler(this, "report", [this](AXNotification& n) { OnWorkerEvent(n); }));
  }
  ~TXCliImageReport() { session_.WorkerGear().RemoveObserversOf(this); }
  TXCliImageReport(const TXCliImageReport&) = delete;
  TXCliImageReport& operator=(const TXCliImageReport&) = delete;

  bool ShowsProgress() const { return bar_.Shown(); }
  void ClearBar() { bar_.Clear(); }

 private:
  void OnWorkerEvent(AXNotification& notification) {
    if (auto* line = notification.AspectAs<TXLogStringAspect>()) {
      bar_.Clear();
      std::printf("%s\n", line->Text.c_str());
      std::fflush(stdout);
    } else if (auto* progress = notification.AspectAs<TXProgressChangedAspect>()) {
      bar_.SetPosition(progress->Position);
    }
  }

  TXCliSession& session_;
  TXCliProgressBar bar_;
};

struct TXImageChoices {
  std::string Drive;
  std::string Image;
  int64_t Size = 0;
  TXClusterPolicy Policy;
  bool TryEverySector = false;
};

// The drive, the image file, --size, --on-error and --try-every-sector; false with the usage error
// printed.
bool ReadImageChoices(const TXCliArguments& arguments, TXImageChoices& choices) {
  if (arguments.Positional.size() < 2)
    return Fail(Say(lg::kCliMissingArgument, {Say(lg::kCliImageWords)}), ceUsage), false;
  if (arguments.Positional.size() > 2)
    return Fail(Say(lg::kCliUnexpectedArgument, {arguments.Positional[2]}), ceUsage), false;
  choices.Drive = arguments.Positional[0];
  choices.Image = arguments.Positional[1];
  TXScanChoices scan;
  if (!ReadChoices(arguments, scan)) return false;
  choices.Size = scan.Size;
  choices.TryEverySector = scan.TryEverySector;
  choices.Policy.Mode = ::isatty(STDIN_FILENO) == 1 ? TXOnError::Ask : TXOnError::Ignore;
  if (auto text = arguments.Value("on-error")) {
    const std::optional<TXClusterPolicy> policy = ParseClusterPolicy(*text);
    if (!policy) return Fail(Say(lg::kCliBadOnError, {*text}), ceUsage), false;
    choices.Policy = *policy;
  }
  return true;
}

// A drive, or a file read the way a drive is.
bool Copyable(const TXCliSource& drive) {
  return drive.IsUsable() || drive.Kind == TXCliSourceKind::skTooSmall;
}

// The drive opened (its facts are known) but told no size.
bool OpenedWithoutSize(TXCliSession& session) {
  const TXDiskInfoRecord& facts = session.WorkerGear().Data().DiskIO.DiskInfo;
  return !facts.RootPath.empty() && facts.DiskSize == 0;
}

int ImageOutcome(TXCliSession& session, const TXCliSource& drive, const std::string& image,
                 int64_t size, const TXCliRunEnd& end) {
  switch (end.ErrorData.Code) {
    case kErrNone:
      std::printf(
          "%s\n",
          Say(lg::kCliImageSummary,
              {image, FormatByteSize(static_cast<int64_t>(std::filesystem::file_size(image)))})
              .c_str());
      return ceSuccess;
    case kErrCancelled:
      return Fail(Say(lg::kCliStopped), ceCancelled);
    case kErrRead:
    case kErrSeek:
    case kErrFinishReading:
      // A copy that stopped early is under another name, which its log line told.
      if (session.WorkerGear().Data().ImageFile != image) return ceSourceUnreadable;
      return Fail(Say(lg::kCliImageIncomplete, {drive.Path, image}), ceSourceUnreadable);
    case kErrFileAccessDenied:
    case kErrWrite:
      return ceOutputFailed;  // the log said why
    default:
      if (end.ErrorData.Code == kErrNotReady && size == 0 && OpenedWithoutSize(session))
        return Fail(Say(lg::kCliSizeUnknown, {drive.Path}), ceSourceUnreadable);
      return Fail(ReadFailure(drive, end.ErrorData), ceSourceUnreadable);
  }
}

}  // namespace

int RunImageCommand(const TXCliArguments& arguments) {
  TXImageChoices choices;
  if (!ReadImageChoices(arguments, choices)) return ceUsage;
  const TXCliSource drive = ExamineSource(choices.Drive);
  if (!Copyable(drive)) return Fail(SourceProblem(drive), ceSourceUnreadable);

  TXCliSession session;
  TXCliInterrupt interrupt(
      session.Engine(), [&session] { DispatchAspect<TXActionCancelAspect>(session.ViewGear()); });
  TXCliDialogs dialogs(STDIN_FILENO, stderr, [&interrupt] { return interrupt.Interrupted(); });
  dialogs.SetClusterPolicy(choices.Policy);
  TXCliDialogsInstalled installed(dialogs);
  if (const std::string failure = OpenFailure(drive); !failure.empty())
    return Fail(failure, ceSourceUnreadable);
  TXDRSaveImageFileCommand save(choices.Image);
  save.Execute();
  if (!save.Done) return Fail(Say(lg::kCliImageExists, {choices.Image}), ceOutputFailed);

  TXCliImageReport report(session);
  dialogs.BeforeWriting = [&report] { report.ClearBar(); };
  std::fprintf(stderr, "%s\n", Say(lg::kCliImaging, {drive.Path, save.FileName}).c_str());
  if (report.ShowsProgress()) std::fprintf(stderr, "%s\n", Say(lg::kCliInterruptHint).c_str());
  session.WorkerGear().Data().DiskIO.TryEverySector = choices.TryEverySector;
  const TXCliRunEnd end = session.Run(session.ImageCommand(drive, choices.Size, save.FileName));
  report.ClearBar();
  return ImageOutcome(session, drive, save.FileName, choices.Size, end);
}

}  // namespace kova::cli
