#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "flow/dr_ini.h"
#include "flow/relay.h"
#include "framework/gear.h"
#include "run/dr_worker_gear.h"
#include "storage/disk_aspect.h"

namespace kova {

class TXDREngine;

// The outcome records of the last run of each kind, in the data gear's Results.
enum TXDRResultKind : uint8_t { rkImageFile = 0, rkScan = 1, rkRestore = 2 };

// Where a run reads: restoring from a card, creating an image of it, parsing an image file (the
// action chosen on the action page).
enum TXDRSourceKind : uint8_t { skCard = 0, skCreateImage = 1, skImageFile = 2 };

// Everything the user chose and everything a run produced: the mode, the source, the chosen
// drive, the image file, the restore folder, the found files and the outcome of the last run of
// each kind. The worker gear finds the found files and the extensions of a scan here.
class TXDRDataGear : public TXGear, public IXDRRunDataSource {
 public:
  explicit TXDRDataGear(TXDREngine& engine);
  ~TXDRDataGear() override;

  TXDREngine& DREngine() const { return engine_; }

  // The settings; their file types are the scan's in the advanced mode.
  IXDRIni* Settings = nullptr;
  bool AdvancedMode = false;
  uint8_t SourceKind = skCard;
  std::array<TXErrorData, 3> Results{};
  // The chosen drive: path, size chosen by the user (0: as reported), whether it could not be
  // opened.
  TXDiskAspect Disk;
  std::string ImageFileName;
  std::string RestoreFolder;
  bool KeepFolders = false;  // the restore keeps the card's folders below RestoreFolder

  // The files of the last scan.
  TXDRFileCollection& FoundFiles() override { return foundFiles_; }
  // The extensions a scan looks for, refilled on each call: the settings' selection in the
  // advanced mode, every catalogue extension in the typical one (and without settings).
  TXExtensionList ScanExtensions() override;
  // The settings' OEM code page (the default one without settings).
  uint16_t ScanCodePage() override;
  const TXExtensionList& FileTypeList() const { return fileTypeList_; }
  const TXErrorData& Result(TXDRResultKind kind) const { return Results[kind]; }

  const std::string& DriveText() const { return Disk.Drive; }
  int64_t DriveSize() const { return Disk.Size; }

  // Wires the gear to the other gears of its engine (on TXAssembleAspect).
  virtual void Assemble();
  void OnAssemble(AXNotification& notification);

 protected:
  // A run has ended: its outcome is kept by the operation's name.
  virtual void StoreResult(AXNotification& notification);
  void DiskChosen(AXNotification& notification);
  void MarkUnreadableFiles();

 private:
  TXDREngine& engine_;
  TXDRFileCollection foundFiles_;
  TXExtensionList fileTypeList_;
  TXKeptObservers observers_;
};

class TXKovaDataGear : public TXDRDataGear {
 public:
  using TXDRDataGear::TXDRDataGear;
};

}  // namespace kova
