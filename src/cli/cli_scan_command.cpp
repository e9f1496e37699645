#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_scan_report.h"
#include "cli/cli_session.h"
#include "cli/cli_source.h"
#include "cli/cli_texts.h"
#include "framework/aspects.h"
#include "persistence/lg_keys.h"

namespace kova::cli {

int ScanOutcome(TXCliSession& session, const TXCliSource& source, const TXCliRunEnd& end) {
  if (end.Cancelled()) return ceCancelled;
  if (end.ErrorData.Code == kErrNone) return ceSuccess;
  const TXDiskIO& drive = session.WorkerGear().Data().DiskIO;
  if (end.Name == "Scan" && drive.IsOpen() && drive.DiskInfo.DiskSize == 0)
    return Fail(Say(lg::kCliSizeUnknown, {source.Path}), ceSourceUnreadable);
  if (end.Name == "Scan") return Fail(ReadFailure(source, end.ErrorData), ceSourceUnreadable);
  return Fail(end.ErrorData.Code == kErrNotReady
                  ? ReadFailure(source, end.ErrorData)
                  : Say(lg::kCliScanFailed, {source.Path, end.ErrorData.ToString()}),
              ceSourceUnreadable);
}

int RunScanCommand(const TXCliArguments& arguments) {
  std::string path;
  int status = ceSuccess;
  if (!TakeSource(arguments, path, status)) return status;
  TXScanChoices choices;
  if (!ReadChoices(arguments, choices)) return ceUsage;
  const TXCliSource source = ExamineSource(path);
  if (!MapFitsSource(choices, source.Kind == TXCliSourceKind::skDrive)) return ceUsage;
  if (!source.IsUsable()) return Fail(SourceProblem(source), ceSourceUnreadable);

  TXCliSession session;
  ApplyChoices(session, choices);
  TXCliScanReport report(session, arguments.Has("json"));
  if (report.ShowsProgress()) {
    std::fprintf(stderr, "%s\n%s\n", Say(lg::kCliScanning, {path}).c_str(),
                 Say(lg::kCliInterruptHint).c_str());
  }
  TXCliInterrupt interrupt(
      session.Engine(), [&session] { DispatchAspect<TXActionCancelAspect>(session.ViewGear()); });
  const TXCliRunEnd end = session.Run(session.ScanCommand(source, choices.Size));
  report.Finish(path, end);
  return ScanOutcome(session, source, end);
}

}  // namespace kova::cli
