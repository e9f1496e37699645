#include "flow/kova_page_gear.h"

#include "flow/dr_engine.h"
#include "output/folder_commands.h"

namespace kova {

namespace {

bool RunFailedWith(const TXErrorData& error) {
  return static_cast<uint32_t>(error.Code) > 1;
}

// Files that could not be written are told on the finish page, with how many, where and why;
// the card message is only for a source that failed.
bool RestoreFailedWith(const TXErrorData& error) {
  return RunFailedWith(error) && error.Code != kErrWrite;
}

}  // namespace

TXKovaWizardPageGear::TXKovaWizardPageGear(TXDREngine& engine)
    : TXWizardPageGear<TXKovaPageID>(&engine), engine_(engine) {}

TXKovaWizardPageGear::~TXKovaWizardPageGear() {
  observers_.Clear();
}

void TXKovaWizardPageGear::AttachWindow(IXWizardMainWindow& window) {
  window_ = &window;
  TXObservable& source = window.Observable();
  observers_.Add<TXRequestActionAspect>(source, this, &TXKovaWizardPageGear::OnRequest);
  observers_.Add<TXActionAspect>(source, this, &TXKovaWizardPageGear::OnAction);
  using TXBase = TXWizardPageGear<TXKovaPageID>;
  auto* base = static_cast<TXBase*>(this);
  observers_.Add(source, AspectClassOf<TXActionNextAspect>(),
                 TXHandler(base, &TXKovaWizardPageGear::OnNext));
  observers_.Add(source, AspectClassOf<TXActionPreviousAspect>(),
                 TXHandler(base, &TXKovaWizardPageGear::OnPrevious));
}

void TXKovaWizardPageGear::AttachViewGear(TXDRViewGear& view) {
  observers_.Add<TXOperationThreadTerminatedAspect>(view, this,
                                                    &TXKovaWizardPageGear::OnThreadEnded);
}

void TXKovaWizardPageGear::OnRequest(AXNotification& notification) {
  auto* request = notification.AspectAs<TXRequestActionAspect>();
  if (!request || !Current()) return;
  switch (request->Action) {
    case kActionCancel:
      return CancelRequested(*request);
    case kActionSize:
    case kActionMaximize:
      if (!Current()->CanResize()) request->Denied = true;
      return;
    case kActionClose:
      return CloseRequested(*request);
    default:
      RelayNotification(*this, notification);
  }
}

void TXKovaWizardPageGear::CancelRequested(TXRequestActionAspect& request) {
  TXKovaPageID target = wpNone;
  if (!Current()->QueryCancel(target)) {
    request.Denied = true;
  } else if (target != wpNone) {
    GoTo(target);
  }
}

void TXKovaWizardPageGear::CloseRequested(TXRequestActionAspect& request) {
  TXKovaPageID target = wpNone;
  if (!Current()->CanCloseWithoutAsking() && !Current()->QueryCancel(target)) {
    request.Denied = true;
    return;
  }
  Announce<TXActionCancelAspect>(*this);
}

void TXKovaWizardPageGear::OnAction(AXNotification& notification) {
  if (notification.AspectAs<TXActionAspect>()) RelayNotification(*this, notification);
}

void TXKovaWizardPageGear::OnThreadEnded(AXNotification& notification) {
  auto* end = notification.AspectAs<TXOperationThreadTerminatedAspect>();
  if (!end || !Current()) return;
  const TXKovaPageID page = Current()->PageID;
  if ((end->Name == "Scan" || end->Name == "DeepScan") && page == wpScanning) {
    RunFailedWith(end->ErrorData) ? RunFailed(wpDisk, end->ErrorData) : Next();
  } else if (end->Name == "Restore" && page == wpRestoring) {
    RestoreFailedWith(end->ErrorData) ? RunFailed(wpImages, end->ErrorData) : Next();
  } else if (end->Name == "ImageFile" && page == wpImageFile) {
    Next();
  }
}

void TXKovaWizardPageGear::RunFailed(TXKovaPageID backTo, const TXErrorData& error) {
  TXDRDiskDisconnectedCommand(error.Code).Execute();
  GoTo(backTo);
}

}  // namespace kova
