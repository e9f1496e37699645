#include "flow/dr_setup_page_states.h"

#include "flow/drive_access_texts.h"
#include "framework/version.h"
#include "kova_version.h"
#include "storage/disk_aspect.h"

namespace kova {

std::string TXDRWelcomeWizardPageState::TitleCaption() {
  const TXVersionRecord version = ProgramVersion();
  std::string caption = std::string(build::kProductName) + " " + std::to_string(version.Major);
  if (version.Minor != 0) caption += "." + std::to_string(version.Minor);
  return caption;
}

void TXDRWelcomeWizardPageState::Enter(TXKovaPageID /*from*/) {
  SetHeader(TitleCaption(), false);
  HidePrevious();
  SetNext(Lg().Word(lg::kStartCaption));
  SetCancel(Lg().Word(lg::kExitCaption));
  ShowModeBox(true);
}

bool TXDRWelcomeWizardPageState::QueryCancel(TXKovaPageID& /*target*/) {
  if (IXWizardMainWindow* window = Window()) window->Close();
  return true;
}

void TXDRActionWizardPageState::Enter(TXKovaPageID /*from*/) {
  EnterSetupPage(Lg().Word(lg::kActionPageCaption));
}

bool TXDRActionWizardPageState::QueryCancel(TXKovaPageID& target) {
  target = wpWelcome;
  return true;
}

void TXDRDiskWizardPageState::Enter(TXKovaPageID /*from*/) {
  EnterSetupPage(Lg().Word(lg::kDiskPageCaption));
  ShowNextForDrive();
}

bool TXDRDiskWizardPageState::QueryCancel(TXKovaPageID& target) {
  target = wpWelcome;
  return true;
}

void TXDRDiskWizardPageState::AspectHandler(AXNotification& notification) {
  if (auto* disk = notification.AspectAs<TXDiskAspect>()) {
    Drive = disk->Drive;
    NotReady = disk->NotReady;
    Usable = disk->Usable;
    if (IsActive) ShowNextForDrive();
  }
  TXDRWizardPageState::AspectHandler(notification);
}

bool TXDRDiskWizardPageState::DriveUsable() {
  TXDriveProbe probe = ProbeDrive(Drive);
  if (probe.Access == TXDriveAccess::daLocked) probe = UnlockDrive(Drive);
  if (probe.Readable()) return true;
  Message(DriveAccessText(probe), TXMessageIcon::Warning);
  // The page looks at the drive again, so that its note and Start say what going on can do now
  // (nothing, when no password dialog can appear in this session).
  Announce<TXDialogInitPageDataAspect>(*this);
  return false;
}

void TXDRFileTypesWizardPageState::Enter(TXKovaPageID from) {
  PreviousID = from;
  SetHeader(Lg().Word(lg::kFileTypesCaption), false);
  ShowModeBox(false);
  ShowPrevious();
  SetNext(Lg().Word(lg::kStartCaption));
  SetCancel(Lg().Word(lg::kCancelCaption));
}

bool TXDRFileTypesWizardPageState::QueryCancel(TXKovaPageID& target) {
  target = wpWelcome;
  return true;
}

}  // namespace kova
