#include "run/work_command.h"

#include "run/deep_scan.h"

namespace kova {

void TXDRWorkCommand::Execute() {
  if (!Gear || Gear->IsRunning()) return;
  Gear->Data().SetExtFilter(Gear->ScanExtensions());
  Gear->Data().CodePage = Gear->ScanCodePage();
  Gear->StartThread(CreateThread());
}

void TXDRDiskWorkCommand::SetInput(TXCustomDRThread& thread) const {
  thread.ImageFileName.clear();
  thread.DrivePath = Path;
  thread.SizeOverride = Size;
  thread.HasInput = !Path.empty();
}

void TXDRImageFileWorkCommand::SetInput(TXCustomDRThread& thread) const {
  thread.ImageFileName = Path;
  thread.DrivePath.clear();
  thread.SizeOverride = 0;
  thread.HasInput = !Path.empty();
}

std::unique_ptr<TXCustomDRThread> TXDRDiskDeepScanWorkCommand::CreateThread() {
  return MakeThread<TXDRDeepScanThread>();
}

std::unique_ptr<TXCustomDRThread> TXDRScanImageFileWorkCommand::CreateThread() {
  return MakeThread<TXDRDeepScanThread>();
}

}  // namespace kova
