#include "flow/dr_run_page_states.h"

#include "flow/dr_engine.h"
#include "output/folder_commands.h"
#include "recovery/recovery_aspects.h"

namespace kova {

namespace {

bool IsPageData(AXNotification& notification) {
  return notification.AspectAs<TXDialogInitPageDataAspect>() != nullptr;
}

}  // namespace

bool TXDRRunWizardPageState::QueryCancel(TXKovaPageID& /*target*/) {
  return AskToStop();
}

void TXDRImageFileWizardPageState::Enter(TXKovaPageID /*from*/) {
  EnterRunPage(Lg().Word(lg::kImagingCaption), Lg().Word(lg::kStopCaption));
  Announce<TXLogClearAspect>(*this);
}

void TXDRImageFileWizardPageState::Entered() {
  Announce<TXDRActionImageFile>(*this);
}

void TXDRImageFileWizardPageState::InitPageData(AXNotification& notification) {
  TXDRRunWizardPageState::InitPageData(notification);
  if (IsPageData(notification)) Announce<TXDRDialogInitPageDataSaveAspect>(*this, false);
}

void TXDRImageFileFinishWizardPageState::Enter(TXKovaPageID /*from*/) {
  const int32_t code = Data().Result(rkImageFile).Code;
  const uint32_t caption = code == kErrNone        ? lg::kImageDoneCaption
                           : code == kErrCancelled ? lg::kImageStoppedCaption
                                                   : lg::kImageFailedCaption;
  EnterEndPage(Lg().Word(caption));
}

void TXDRImageFileFinishWizardPageState::InitPageData(AXNotification& notification) {
  TXDRWizardPageState::InitPageData(notification);
  if (IsPageData(notification)) Announce<TXDRDialogInitPageDataSaveAspect>(*this, true);
}

bool TXDRImageFileFinishWizardPageState::QueryCancel(TXKovaPageID& target) {
  target = wpWelcome;
  return true;
}

void TXDRScanningWizardPageState::Enter(TXKovaPageID /*from*/) {
  EnterRunPage(Lg().Word(lg::kScanningCaption), Lg().Word(lg::kStopCaption));
  Announce<TXDialogInitDataAspect>(*this);
}

void TXDRScanningWizardPageState::Entered() {
  Announce<TXDRActionDeepScan>(*this);
}

void TXDRScanningWizardPageState::InitPageData(AXNotification& notification) {
  TXDRRunWizardPageState::InitPageData(notification);
  if (IsPageData(notification)) Announce<TXDRDialogInitPageDataPreviewAspect>(*this, false);
}

void TXDRImagesWizardPageState::Enter(TXKovaPageID /*from*/) {
  const bool complete = Data().Result(rkScan).Code == kErrNone;
  SetHeader(Lg().Word(complete ? lg::kResultsCaption : lg::kResultsIncompleteCaption), false);
  ShowModeBox(false);
  HidePrevious();
  SetNext(Lg().Word(lg::kRestoreCaption));
  SetCancel(Lg().Word(lg::kExitCaption));
}

void TXDRImagesWizardPageState::Entered() {
  if (Data().FoundFiles().Count() > 0) return;
  if (DREngine().NothingFoundAction) DREngine().NothingFoundAction();
  Announce<TXActionPreviousAspect>(*this);
}

TXKovaPageID TXDRImagesWizardPageState::GetNext() {
  if (!Data().FoundFiles().AnyChecked()) {
    Message(kSelectFiles, TXMessageIcon::Warning);
    return PageID;
  }
  std::string folder = ChooseRestoreFolder();
  if (folder.empty()) return PageID;
  Data().RestoreFolder = std::move(folder);
  return NextID;
}

std::string TXDRImagesWizardPageState::ChooseRestoreFolder() {
  TXDRSelectRestoreFolderCommand select;
  select.InitialFolder = Data().RestoreFolder;
  select.KeepFolders = Data().KeepFolders;
  select.Execute();
  Data().KeepFolders = select.KeepFolders;
  if (select.Folder.empty()) return {};
  // An image file's folder may hold the restored files: the image is only read.
  const std::string source = Data().SourceKind == skImageFile ? std::string() : Data().DriveText();
  TXDRCheckDiskAndRestoreFolderCommand check(source, select.Folder,
                                             Data().FoundFiles().CheckedSize());
  check.Execute();
  return check.Accepted ? select.Folder : std::string();
}

bool TXDRImagesWizardPageState::QueryCancel(TXKovaPageID& /*target*/) {
  const TXMessageAnswer answer =
      Message(Lg().Word(lg::kExitQuestion), TXMessageIcon::Warning, TXMessageButtons::BackExit,
              Lg().Word(lg::kExitConfirmation));
  if (answer.Button != TXMessageButton::Exit || !answer.Checked) return false;
  if (IXWizardMainWindow* window = Window()) window->Close();
  return true;
}

void TXDRImagesPreviewWizardPageState::InitPageData(AXNotification& notification) {
  TXDRImagesWizardPageState::InitPageData(notification);
  if (IsPageData(notification)) Announce<TXDRDialogInitPageDataPreviewAspect>(*this, true);
}

void TXDRRestoringWizardPageState::Enter(TXKovaPageID /*from*/) {
  EnterRunPage(Lg().Word(lg::kRestoringCaption), Lg().Word(lg::kCancelCaption));
}

void TXDRRestoringWizardPageState::Entered() {
  Announce<TXDRActionRestoreFiles>(*this);
}

void TXDRFinishWizardPageState::Enter(TXKovaPageID /*from*/) {
  const int32_t code = Data().Result(rkRestore).Code;
  const uint32_t caption = code == kErrNone    ? lg::kRestoreDoneCaption
                           : code == kErrWrite ? lg::kRestorePartlyCaption
                                               : lg::kRestoreFailedCaption;
  EnterEndPage(Lg().Word(caption));
  Announce<TXDialogInitFolderAspect>(*this, Data().RestoreFolder);
}

bool TXDRFinishWizardPageState::QueryCancel(TXKovaPageID& target) {
  target = wpWelcome;
  return true;
}

}  // namespace kova
