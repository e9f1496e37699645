#include "flow/dr_view_gear.h"

#include "flow/dr_engine.h"
#include "framework/aspects.h"
#include "imaging/skin_interface.h"
#include "recovery/recovery_aspects.h"

namespace kova {

TXDRViewGear::TXDRViewGear(TXDREngine& engine) : TXGear("View"), engine_(engine) {}

TXDRViewGear::~TXDRViewGear() {
  observers_.Clear();
}

void TXDRViewGear::OnAssemble(AXNotification& notification) {
  if (notification.AspectAs<TXAssembleAspect>()) Assemble();
}

void TXDRViewGear::Assemble() {
  TXDRWorkerGear& worker = engine_.WorkerGear();
  auto relay = TXHandler(this, &TXDRViewGear::RelayWorker);
  observers_.Add(worker, AspectClassOf<TXProgressAspect>(), relay);
  observers_.Add(worker, AspectClassOf<TXDRAddFileAspect>(), relay);
  observers_.Add(worker, AspectClassOf<TXLogClearAspect>(), relay);
  observers_.Add(worker, AspectClassOf<TXLogStringAspect>(), relay);
  observers_.Add(worker, AspectClassOf<TXOperationThreadTerminatedAspect>(), relay);
}

void TXDRViewGear::RelayWorker(AXNotification& notification) {
  if (engine_.IsEngineThread()) return RelayNotification(*this, notification);
  if (TXNotificationRef postable = PostableNotification(notification)) Post(std::move(postable));
}

TXDRVCLViewGear::TXDRVCLViewGear(TXDREngine& engine)
    : TXDRViewGear(engine),
      typeIcons_(GroupExtensions(fgImages), GroupExtensions(fgVideo), GroupExtensions(fgAudio)) {}

void TXDRVCLViewGear::BuildTypeIcons(TXColor listColour) {
  if (Skin) typeIcons_.Build(*Skin, listColour);
}

void TXDRVCLViewGear::Assemble() {
  TXDRViewGear::Assemble();
  BuildTypeIcons();
}

}  // namespace kova
