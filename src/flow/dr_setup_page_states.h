#pragma once

#include <cstdint>
#include <string>

#include "flow/dr_page_state.h"

// The page states where the user sets a run up: welcome, action, disk and file types.
namespace kova {

// The program's title and version; Next starts, Cancel exits (and closes the window), the mode
// box is shown.
class TXDRWelcomeWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  void Enter(TXKovaPageID from) override;
  bool QueryCancel(TXKovaPageID& target) override;
  bool CanCloseWithoutAsking() override { return true; }

  // "Velmora Kova 7": the title, a blank and the major version, with the minor one when it is
  // not 0 ("7.1").
  static std::string TitleCaption();
};

// The choice of what to do; Cancel returns to the welcome page.
class TXDRActionWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  void Enter(TXKovaPageID from) override;
  bool QueryCancel(TXKovaPageID& target) override;
  bool CanCloseWithoutAsking() override { return true; }
};

// The choice of the drive. Drive, NotReady and Usable follow the drive choices the page sends;
// Next is enabled only for a drive that is usable.
class TXDRDiskWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  std::string Drive;
  uint8_t NotReady = 1;
  bool Usable = false;

  void Enter(TXKovaPageID from) override;
  bool QueryCancel(TXKovaPageID& target) override;
  bool CanCloseWithoutAsking() override { return true; }

 protected:
  void AspectHandler(AXNotification& notification) override;
  virtual std::string NextCaption() { return Lg().Word(lg::kNextCaption) + " >"; }
  // Whether the chosen drive can be read now. A drive the user may not open is unlocked through
  // the system's disk service, which asks for a password; any other obstacle, or a refused
  // unlock, is told in a message, and the wizard stays: the page is then sent its page data
  // again, so that it looks at the drive once more.
  bool DriveUsable();

 private:
  void ShowNextForDrive() { SetNext(NextCaption(), Usable && !Drive.empty()); }
};

// The choice of file types; Previous returns to the page it was entered from, Next starts.
class TXDRFileTypesWizardPageState : public TXDRWizardPageState {
 public:
  using TXDRWizardPageState::TXDRWizardPageState;

  void Enter(TXKovaPageID from) override;
  bool QueryCancel(TXKovaPageID& target) override;
};

}  // namespace kova
