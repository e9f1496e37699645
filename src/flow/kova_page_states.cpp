#include "flow/kova_page_states.h"

#include "flow/dr_engine.h"
#include "output/image_file_commands.h"
#include "output/image_space.h"
#include "recovery/recovery_aspects.h"

namespace kova {

namespace {

template <class TState>
void Place(TState& state, TXKovaPageID page, TXKovaPageID previous, TXKovaPageID next) {
  state.PageID = page;
  state.PreviousID = previous;
  state.NextID = next;
}

// Asks for the image file with the command; the chosen name is kept when the user confirmed.
template <class TCommand>
bool ChooseImageFile(std::string& imageFileName) {
  TCommand command(imageFileName);
  command.Execute();
  if (!command.Done) return false;
  imageFileName = command.FileName;
  return true;
}

}  // namespace

TXKovaWelcomeWizardPageState::TXKovaWelcomeWizardPageState(TXDREngine& engine, IXWizardFrame* frame)
    : TXDRWelcomeWizardPageState(engine, frame) {
  Place(*this, wpWelcome, wpNone, wpDisk);
}

TXKovaPageID TXKovaWelcomeWizardPageState::GetNext() {
  if (Data().AdvancedMode) return wpAction;
  Data().SourceKind = skCard;
  return wpDisk;
}

TXKovaActionWizardPageState::TXKovaActionWizardPageState(TXDREngine& engine, IXWizardFrame* frame)
    : TXDRActionWizardPageState(engine, frame) {
  Place(*this, wpAction, wpWelcome, wpDisk);
}

void TXKovaActionWizardPageState::AspectHandler(AXNotification& notification) {
  if (auto* chosen = notification.AspectAs<TXDRSelectedActionAspect>()) {
    Action = chosen->Value;
    Data().SourceKind = chosen->Value;
    NextID = Action == saCreateImageFile  ? wpImageFileDisk
             : Action == saParseImageFile ? wpFileTypes
                                          : wpDisk;
  }
  TXDRActionWizardPageState::AspectHandler(notification);
}

TXKovaPageID TXKovaActionWizardPageState::GetNext() {
  std::string& imageFile = Data().ImageFileName;
  if (Action == saCreateImageFile && !ChooseImageFile<TXDRSaveImageFileCommand>(imageFile))
    return PageID;
  if (Action == saParseImageFile && !ChooseImageFile<TXDROpenImageFileCommand>(imageFile))
    return PageID;
  return NextID;
}

TXKovaImageFileDiskWizardPageState::TXKovaImageFileDiskWizardPageState(TXDREngine& engine,
                                                                       IXWizardFrame* frame)
    : TXDRDiskWizardPageState(engine, frame) {
  Place(*this, wpImageFileDisk, wpAction, wpImageFile);
}

TXKovaPageID TXKovaImageFileDiskWizardPageState::GetNext() {
  if (!DriveUsable()) return PageID;
  const int64_t size = DriveSizeToCopy(Data().DriveText(), Data().DriveSize());
  const std::string shortage = ImageSpaceShortage(Data().ImageFileName, size);
  if (shortage.empty()) return NextID;
  Message(shortage, TXMessageIcon::Warning);
  return PageID;
}

TXKovaDiskWizardPageState::TXKovaDiskWizardPageState(TXDREngine& engine, IXWizardFrame* frame)
    : TXDRDiskWizardPageState(engine, frame) {
  Place(*this, wpDisk, wpWelcome, wpScanning);
}

std::string TXKovaDiskWizardPageState::NextCaption() {
  return Data().AdvancedMode ? TXDRDiskWizardPageState::NextCaption()
                             : Lg().Word(lg::kStartCaption);
}

TXKovaPageID TXKovaDiskWizardPageState::GetPrevious() {
  return Data().AdvancedMode ? wpAction : wpWelcome;
}

TXKovaPageID TXKovaDiskWizardPageState::GetNext() {
  if (!DriveUsable()) return PageID;
  return Data().AdvancedMode ? wpFileTypes : wpScanning;
}

TXKovaImageFileWizardPageState::TXKovaImageFileWizardPageState(TXDREngine& engine,
                                                               IXWizardFrame* frame)
    : TXDRImageFileWizardPageState(engine, frame) {
  Place(*this, wpImageFile, wpNone, wpImageFileFinish);
}

TXKovaImageFileFinishWizardPageState::TXKovaImageFileFinishWizardPageState(TXDREngine& engine,
                                                                           IXWizardFrame* frame)
    : TXDRImageFileFinishWizardPageState(engine, frame) {
  Place(*this, wpImageFileFinish, wpNone, wpNone);
}

TXKovaFileTypesWizardPageState::TXKovaFileTypesWizardPageState(TXDREngine& engine,
                                                               IXWizardFrame* frame)
    : TXDRFileTypesWizardPageState(engine, frame) {
  Place(*this, wpFileTypes, wpNone, wpScanning);
}

TXKovaScanningWizardPageState::TXKovaScanningWizardPageState(TXDREngine& engine,
                                                             IXWizardFrame* frame)
    : TXDRScanningWizardPageState(engine, frame) {
  Place(*this, wpScanning, wpNone, wpImages);
}

TXKovaImagesWizardPageState::TXKovaImagesWizardPageState(TXDREngine& engine, IXWizardFrame* frame)
    : TXDRImagesPreviewWizardPageState(engine, frame) {
  Place(*this, wpImages, wpAction, wpRestoring);
}

TXKovaRestoringWizardPageState::TXKovaRestoringWizardPageState(TXDREngine& engine,
                                                               IXWizardFrame* frame)
    : TXDRRestoringWizardPageState(engine, frame) {
  Place(*this, wpRestoring, wpNone, wpFinish);
}

TXKovaFinishWizardPageState::TXKovaFinishWizardPageState(TXDREngine& engine, IXWizardFrame* frame)
    : TXDRFinishWizardPageState(engine, frame) {
  Place(*this, wpFinish, wpNone, wpNone);
}

}  // namespace kova
