#include "run/dr_thread.h"

#include <exception>

#include "framework/error_data.h"

namespace kova {

bool TXCustomDRThread::OpenDrive() {
  TXDRData& data = Data();
  data.IO = &data.DiskIO;
  data.DiskIO.CodePage = data.CodePage;
  if (!data.DiskIO.Open(DrivePath, ioRead)) return false;
  data.DiskIO.DiskStream()->Figures = &Worker().Figures();
  data.DiskIO.DiskStream()->ReportUnreadable();
  if (SizeOverride != 0) {
    data.DiskIO.DiskInfo.DiskSize = SizeOverride;
    data.DiskIO.Stream()->SetSize(SizeOverride);
  }
  if (data.DiskIO.DiskInfo.DiskSize == 0)
    RaiseThreadError(kErrNotReady, 0, DrivePath + ": the size of the drive is unknown");
  return true;
}

bool TXCustomDRThread::OpenInput() {
  ClearThreadError();
  if (!HasInput) return true;
  TXDRData& data = Data();
  bool opened = false;
  try {
    if (data.IO) data.IO->Close();
    if (!DrivePath.empty()) {
      opened = OpenDrive();
    } else {
      data.IO = &data.FileIO;
      opened = data.FileIO.Open(ImageFileName, ioRead);
    }
  } catch (const std::exception& error) {
    RecordException(error);
    opened = false;
  }
  if (!opened && ThreadError().Code == kErrNone) SetThreadError(kErrNotReady);
  if (ThreadError().Code != kErrNone) Worker().Terminate(ThreadError());
  return opened && ThreadError().Code == kErrNone;
}

}  // namespace kova
