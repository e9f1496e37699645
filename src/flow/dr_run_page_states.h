#pragma once

#include "flow/dr_page_state.h"

// The page states on which a run works or tells how it ended: creating an image file, scanning,
// the results, restoring and the finish. A run starts when its page has been entered and the
// page is left when the run's thread ends (the page gear's thread-ended handler) or on a cancel.
namespace kova {

// A page that runs work: Cancel and closing the window ask whether to stop.
class TXDRRunWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  bool QueryCancel(TXKovaPageID& target) override;
};

// The card is copied into the image file; the page's log is cleared on entering.
class TXDRImageFileWizardPageState : public TXDRRunWizardPageState {
 public:
  using TXDRRunWizardPageState::TXDRRunWizardPageState;

  void Enter(TXKovaPageID from) override;
  void Entered() override;
  void InitPageData(AXNotification& notification) override;
};

// How the copy ended, in the header; the log may be saved now.
class TXDRImageFileFinishWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  void Enter(TXKovaPageID from) override;
  void InitPageData(AXNotification& notification) override;
  bool QueryCancel(TXKovaPageID& target) override;
};

// The scan runs; the results page shows the files as they are found.
class TXDRScanningWizardPageState : public TXDRRunWizardPageState {
 public:
  using TXDRRunWizardPageState::TXDRRunWizardPageState;

  void Enter(TXKovaPageID from) override;
  void Entered() override;
  void InitPageData(AXNotification& notification) override;
};

// The found files, for the user to check. A scan that found nothing shows the nothing-found
// message and goes back. Next asks for the restore folder; leaving asks whether to give the
// found files up.
class TXDRImagesWizardPageState : public TXDRWizardPageState {
 public:
  static constexpr char kSelectFiles[] = "Please select at least one file to restore!";

  using TXDRWizardPageState::TXDRWizardPageState;

  void Enter(TXKovaPageID from) override;
  void Entered() override;
  TXKovaPageID GetNext() override;
  bool QueryCancel(TXKovaPageID& target) override;

 private:
  // The restore folder the user chose and that was accepted, or an empty text.
  std::string ChooseRestoreFolder();
};

// The results page with its preview panel.
class TXDRImagesPreviewWizardPageState : public TXDRImagesWizardPageState {
 public:
  using TXDRImagesWizardPageState::TXDRImagesWizardPageState;

  void InitPageData(AXNotification& notification) override;
};

// The checked files are restored, in a window of normal size.
class TXDRRestoringWizardPageState : public TXDRRunWizardPageState {
 public:
  using TXDRRunWizardPageState::TXDRRunWizardPageState;

  void Enter(TXKovaPageID from) override;
  void Entered() override;
};

// How restoring ended, and the folder that holds the files.
class TXDRFinishWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  void Enter(TXKovaPageID from) override;
  bool QueryCancel(TXKovaPageID& target) override;
};

}  // namespace kova
