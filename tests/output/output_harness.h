#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/output_work_commands.h"
#include "output/restore_thread.h"
#include "recovery/scan_harness.h"

// A recovery engine on a headless loop that records, besides what a scan shows, the files a
// restore reports, the log lines of a disk image and the whole outcome record of a run.
namespace kova::test {

class OutputHarness : public ScanHarness {
 public:
  struct Restored {
    std::string Name;      // the found file's name
    std::string FileName;  // the file written
    uint8_t Result;
    int32_t Code;
    int64_t Unreadable;
  };

  OutputHarness() {
    gear.AddObserver(TXHandler(this, "output", [this](AXNotification& n) { Watch(n); }));
  }
  ~OutputHarness() { gear.RemoveObserversOf(this); }

  bool RestoreImage(const std::string& folder) {
    return Run(MakeRef<TXDRDiskImageRestoreFilesWorkCommand>(&gear, folder));
  }
  bool RestoreDrive(const std::string& drive, const std::string& folder) {
    return Run(MakeRef<TXDRDiskRestoreFilesWorkCommand>(&gear, drive, 0, folder));
  }
  bool MakeImage(const std::string& drive, const std::string& image, int64_t size = 0) {
    return Run(MakeRef<TXDRCopyCardToImageWorkCommand>(&gear, drive, size, image));
  }
  void CheckOnly(std::initializer_list<std::string_view> names) {
    for (int32_t i = 0; i < Files().Count(); ++i) {
      Files()[i]->Checked = std::find(names.begin(), names.end(), Files()[i]->Name) != names.end();
    }
  }

  std::vector<std::string> logs;
  std::vector<Restored> restored;
  TXErrorData endError;

 private:
  void Watch(AXNotification& n) {
    if (auto* line = n.AspectAs<TXLogStringAspect>()) {
      logs.push_back(line->Text);
    } else if (auto* file = n.AspectAs<TXDRFileRestoredAspect>()) {
      restored.push_back(
          {file->Item->Name, file->FileName, file->Result, file->Error.Code, file->Unreadable});
    } else if (auto* end = n.AspectAs<TXOperationThreadTerminatedAspect>()) {
      endError = end->ErrorData;
    }
  }
};

}  // namespace kova::test
