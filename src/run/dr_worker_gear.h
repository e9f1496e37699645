#pragma once

#include <cstdint>
#include <string>

#include "framework/observable.h"
#include "framework/worker_gear.h"
#include "recovery/file_collection.h"
#include "recovery/file_types.h"
#include "run/run_data.h"

namespace kova {

// What the worker gear asks of the engine's data gear: the collection that receives the found
// files, the extensions a scan looks for (the user's choice, or every catalogue extension) and
// the OEM code page of FAT short names.
class IXDRRunDataSource {
 public:
  virtual TXDRFileCollection& FoundFiles() = 0;
  virtual TXExtensionList ScanExtensions() = 0;
  virtual uint16_t ScanCodePage() = 0;

 protected:
  ~IXDRRunDataSource() = default;
};

// What the worker gear asks of the engine's view gear: the observable on which the user's cancel
// (TXActionCancelAspect) arrives.
class IXDRCancelSource {
 public:
  virtual TXObservable& CancelObservable() = 0;

 protected:
  ~IXDRCancelSource() = default;
};

// The gear that runs the recovery threads, one at a time, on its run data. Work commands start
// them; a cancel from the view stops the run. When its engine announces TXAssembleAspect it finds
// the gears that answer IXDRRunDataSource and IXDRCancelSource among the engine's gears.
class TXDRWorkerGear : public TXThreadWorkerGear<TXDRData> {
 public:
  explicit TXDRWorkerGear(std::string name = "Worker");
  ~TXDRWorkerGear() override;

  // A work command runs here (it starts a thread unless one runs); others as for any gear.
  void ExecuteCommand(TXCommand& command) override;
  void Assemble() override;
  void SetContainer(IXMessageContainer* container) override;

  IXDRRunDataSource* DataSource() const { return dataSource_; }
  // The extensions for the next run: the data source's, or every catalogue extension.
  TXExtensionList ScanExtensions() const;
  // The OEM code page for the next run: the data source's, or the default one.
  uint16_t ScanCodePage() const;

 private:
  void OnAssemble(AXNotification& notification);
  void OnCancel(AXNotification& notification);
  void WatchCancel(TXObservable* observable);

  IXDRRunDataSource* dataSource_ = nullptr;
  TXRef<TXObserverKeeper> cancelWatch_;
  TXObservable* assembledBy_ = nullptr;
};

}  // namespace kova
