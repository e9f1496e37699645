#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "cli/cli_source.h"
#include "framework/engine.h"
#include "framework/gear.h"
#include "framework/oem_code_pages.h"
#include "recovery/file_collection.h"
#include "run/dr_worker_gear.h"
#include "run/work_command.h"

namespace kova {
class TXDRSweepSaver;
}

namespace kova::cli {

// The data gear of kova-cli: the found files and the extensions a scan looks for.
class TXCliDataGear final : public TXGear, public IXDRRunDataSource {
 public:
  TXCliDataGear() : TXGear("Data") {}

  TXDRFileCollection& FoundFiles() override { return files_; }
  // The chosen extensions, or every catalogue extension when none were chosen.
  TXExtensionList ScanExtensions() override;
  void ChooseExtensions(TXExtensionList extensions) { chosen_ = std::move(extensions); }
  uint16_t ScanCodePage() override { return codePage_; }
  void ChooseCodePage(uint16_t codePage) { codePage_ = codePage; }

 private:
  TXDRFileCollection files_;
  TXExtensionList chosen_;
  uint16_t codePage_ = kDefaultCodePage;
};

// The view gear of kova-cli: the user's cancel (Ctrl+C) arrives on it.
class TXCliViewGear final : public TXGear, public IXDRCancelSource {
 public:
  TXCliViewGear() : TXGear("View") {}
  TXObservable& CancelObservable() override { return *this; }
};

// How a recovery run of kova-cli ended.
struct TXCliRunEnd {
  std::string Name;
  TXErrorData ErrorData;
  bool Cancelled() const { return ErrorData.Code == kErrCancelled; }
};

// A recovery engine for kova-cli on the process's headless loop: the data, view and worker gears
// the wizard has, assembled the same way. Runs one work command at a time to its end; Ctrl+C
// cancels the run through the view gear, as the wizard's Cancel button does.
class TXCliSession {
 public:
  TXCliSession();
  ~TXCliSession();
  TXCliSession(const TXCliSession&) = delete;
  TXCliSession& operator=(const TXCliSession&) = delete;

  TXEngine& Engine() { return *engine_; }
  TXCliDataGear& DataGear() { return data_; }
  TXCliViewGear& ViewGear() { return view_; }
  TXDRWorkerGear& WorkerGear() { return worker_; }

  // The work command that scans the source: a drive (with the chosen size) or an image file;
  // `sink` follows its sweep.
  TXRef<TXCommand> ScanCommand(const TXCliSource& source, int64_t size,
                               IXDRSweepSink* sink = nullptr);
  // The work command that restores the checked files of the last scan into the folder: a drive
  // is opened again, an image file is read through the input the scan left open; keepFolders
  // puts the files in the card's folders; the files `swept` saved during the scan are moved
  // into place instead of being read again.
  TXRef<TXCommand> RestoreCommand(const TXCliSource& source, int64_t size,
                                  const std::string& folder, bool keepFolders,
                                  TXDRSweepSaver* swept = nullptr);
  // The work command that copies the drive (with the chosen size) into a new image file.
  TXRef<TXCommand> ImageCommand(const TXCliSource& drive, int64_t size, const std::string& image);
  // Hands the command to the worker gear and runs the loop until the thread has ended.
  TXCliRunEnd Run(TXRef<TXCommand> command);

 private:
  void OnWorkerEvent(AXNotification& notification);

  std::unique_ptr<TXEngine> engine_;
  TXCliDataGear& data_;
  TXCliViewGear& view_;
  TXDRWorkerGear& worker_;
  bool ended_ = false;
  TXCliRunEnd end_;
};

}  // namespace kova::cli
