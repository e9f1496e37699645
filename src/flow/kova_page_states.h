#pragma once

#include <cstdint>

#include "flow/dr_run_page_states.h"
#include "flow/dr_setup_page_states.h"

// Velmora Kova's page states: each names its page and where Previous and Next lead, over the
// behaviour of its recovery page state. The three paths through the wizard:
//   restore from the card: Welcome, (Action), Disk, (File types), Scanning, Images, Restoring,
//     Finish (the pages in parentheses only in the advanced mode);
//   create an image file: Welcome, Action, Image file disk, Image file, Image file finish;
//   parse an image file: Welcome, Action, File types, Scanning, Images, Restoring, Finish.
namespace kova {

// Next: the disk page in the typical mode (reading the card), the action page in the advanced.
class TXKovaWelcomeWizardPageState final : public TXDRWelcomeWizardPageState {
 public:
  TXKovaWelcomeWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
  TXKovaPageID GetNext() override;
};

// Next by the chosen action: the drive of a card to restore from or to copy (the image file to
// create is asked for first), or the file types of an image file to parse (asked for first). A
// file dialog the user cancels keeps the wizard here.
class TXKovaActionWizardPageState final : public TXDRActionWizardPageState {
 public:
  TXKovaActionWizardPageState(TXDREngine& engine, IXWizardFrame* frame);

  uint8_t Action = 0;

  TXKovaPageID GetNext() override;

 protected:
  void AspectHandler(AXNotification& notification) override;
};

// The drive to copy into an image file: a drive that cannot be read keeps the wizard here.
class TXKovaImageFileDiskWizardPageState final : public TXDRDiskWizardPageState {
 public:
  TXKovaImageFileDiskWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
  TXKovaPageID GetNext() override;
};

// The drive to restore from: a drive that cannot be read keeps the wizard here (one the user
// may not open is unlocked first).
class TXKovaDiskWizardPageState final : public TXDRDiskWizardPageState {
 public:
  TXKovaDiskWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
  TXKovaPageID GetPrevious() override;
  TXKovaPageID GetNext() override;

 protected:
  std::string NextCaption() override;
};

class TXKovaImageFileWizardPageState final : public TXDRImageFileWizardPageState {
 public:
  TXKovaImageFileWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

class TXKovaImageFileFinishWizardPageState final : public TXDRImageFileFinishWizardPageState {
 public:
  TXKovaImageFileFinishWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

class TXKovaFileTypesWizardPageState final : public TXDRFileTypesWizardPageState {
 public:
  TXKovaFileTypesWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

class TXKovaScanningWizardPageState final : public TXDRScanningWizardPageState {
 public:
  TXKovaScanningWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

class TXKovaImagesWizardPageState final : public TXDRImagesPreviewWizardPageState {
 public:
  TXKovaImagesWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

class TXKovaRestoringWizardPageState final : public TXDRRestoringWizardPageState {
 public:
  TXKovaRestoringWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

class TXKovaFinishWizardPageState final : public TXDRFinishWizardPageState {
 public:
  TXKovaFinishWizardPageState(TXDREngine& engine, IXWizardFrame* frame);
};

}  // namespace kova
