#include "flow/kova_view_gear.h"

#include "flow/dr_engine.h"
#include "flow/kova_page_states.h"
#include "recovery/recovery_aspects.h"

namespace kova {

TXKovaViewGear::TXKovaViewGear(TXDREngine& engine) : TXDRVCLViewGear(engine) {}

TXKovaViewGear::~TXKovaViewGear() {
  wizardObservers_.Clear();
  pageGear_.reset();
  frames_.clear();
  mainWindow_.reset();
}

IXWizardFrame* TXKovaViewGear::Frame(TXWizardFrameKind kind) const {
  for (const auto& [frameKind, frame] : frames_) {
    if (frameKind == kind) return frame.get();
  }
  return nullptr;
}

void TXKovaViewGear::Assemble() {
  TXDRVCLViewGear::Assemble();
  if (!Views || mainWindow_) return;
  BuildWindow();
  BuildPages();
  pageGear_->Start();
  Announce<TXDialogInitDataAspect>(*pageGear_);
  mainWindow_->Show();
}

void TXKovaViewGear::BuildWindow() {
  pageGear_ = std::make_unique<TXKovaWizardPageGear>(DREngine());
  mainWindow_ = Views->CreateMainWindow(DREngine());
  pageGear_->AttachWindow(*mainWindow_);
  pageGear_->AttachViewGear(*this);
  mainWindow_->Subscribe(*this);
  TXDRDataGear* data = &DREngine().DataGear();
  mainWindow_->SetModeHandler([data](bool advanced) { data->AdvancedMode = advanced; });
  wizardObservers_.Add(*pageGear_, AspectClassOf<TXActionAspect>(),
                       TXHandler(this, &TXKovaViewGear::PassOn));
  wizardObservers_.Add<TXWizardPageChangedAspect>(*pageGear_, this, &TXKovaViewGear::PageChanged);
  wizardObservers_.Add<TXDRAddFileAspect>(*this, this, &TXKovaViewGear::PassToPageGear);
}

void TXKovaViewGear::BuildPages() {
  AddState<TXKovaWelcomeWizardPageState>(CreateFrame(TXWizardFrameKind::fkWelcome));
  AddState<TXKovaActionWizardPageState>(CreateFrame(TXWizardFrameKind::fkAction));

  IXWizardFrame& disk = CreateFrame(TXWizardFrameKind::fkDisk);
  AddState<TXKovaDiskWizardPageState>(disk);
  AddState<TXKovaImageFileDiskWizardPageState>(disk);

  IXWizardFrame& imageFile = CreateFrame(TXWizardFrameKind::fkImageFile);
  imageFile.Subscribe(*this, AspectClassOf<TXLogClearAspect>());
  imageFile.Subscribe(*this, AspectClassOf<TXLogStringAspect>());
  AddState<TXKovaImageFileWizardPageState>(imageFile);
  AddState<TXKovaImageFileFinishWizardPageState>(imageFile);

  AddState<TXKovaFileTypesWizardPageState>(CreateFrame(TXWizardFrameKind::fkFileTypes));

  IXWizardFrame& results = CreateFrame(TXWizardFrameKind::fkResults);
  results.Subscribe(*this, AspectClassOf<TXDRAddFileAspect>());
  results.Subscribe(*this, AspectClassOf<TXDRRefreshSelectedFilesAspect>());
  AddState<TXKovaScanningWizardPageState>(results);
  AddState<TXKovaImagesWizardPageState>(results);

  AddState<TXKovaRestoringWizardPageState>(CreateFrame(TXWizardFrameKind::fkRestoring));
  AddState<TXKovaFinishWizardPageState>(CreateFrame(TXWizardFrameKind::fkFinish));
}

IXWizardFrame& TXKovaViewGear::CreateFrame(TXWizardFrameKind kind) {
  return *frames_.emplace_back(kind, Views->CreateFrame(kind, DREngine(), *mainWindow_)).second;
}

template <class TState>
void TXKovaViewGear::AddState(IXWizardFrame& frame) {
  auto state = std::make_unique<TState>(DREngine(), &frame);
  wizardObservers_.Add(*state, EveryAspect(), TXHandler(this, &TXKovaViewGear::PassOn));
  pageGear_->Register(std::move(state));
}

void TXKovaViewGear::PassOn(AXNotification& notification) {
  RelayNotification(*this, notification);
}

void TXKovaViewGear::PassToPageGear(AXNotification& notification) {
  if (pageGear_) RelayNotification(*pageGear_, notification);
}

void TXKovaViewGear::PageChanged(AXNotification& notification) {
  if (notification.AspectAs<TXWizardPageChangedAspect>() && mainWindow_)
    mainWindow_->RefreshSizeRights();
}

}  // namespace kova
