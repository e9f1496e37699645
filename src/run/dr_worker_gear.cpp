#include "run/dr_worker_gear.h"

#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/oem_code_pages.h"
#include "run/work_command.h"

namespace kova {

TXDRWorkerGear::TXDRWorkerGear(std::string name) : TXThreadWorkerGear<TXDRData>(std::move(name)) {}

TXDRWorkerGear::~TXDRWorkerGear() {
  if (assembledBy_) assembledBy_->RemoveObserversOf(this);
  cancelWatch_.Reset();
}

void TXDRWorkerGear::SetContainer(IXMessageContainer* container) {
  if (assembledBy_) assembledBy_->RemoveObserversOf(this);
  TXThreadWorkerGear<TXDRData>::SetContainer(container);
  assembledBy_ = Engine();
  if (assembledBy_) assembledBy_->AddObserver<TXAssembleAspect>(this, &TXDRWorkerGear::OnAssemble);
}

void TXDRWorkerGear::OnAssemble(AXNotification& notification) {
  if (notification.AspectAs<TXAssembleAspect>()) Assemble();
}

void TXDRWorkerGear::Assemble() {
  TXCustomEngine* engine = Engine();
  if (!engine) return;
  for (const auto& gear : engine->Gears()) {
    if (auto* source = dynamic_cast<IXDRRunDataSource*>(gear.get())) dataSource_ = source;
    if (auto* view = dynamic_cast<IXDRCancelSource*>(gear.get()))
      WatchCancel(&view->CancelObservable());
  }
  Data().AttachFiles(dataSource_ ? &dataSource_->FoundFiles() : nullptr);
}

void TXDRWorkerGear::WatchCancel(TXObservable* observable) {
  // The keeper ends the subscription with the gear; a view gear that goes first leaves it empty.
  cancelWatch_ = observable->AddKeptObserver(AspectClassOf<TXActionCancelAspect>(),
                                             TXHandler(this, &TXDRWorkerGear::OnCancel));
}

void TXDRWorkerGear::OnCancel(AXNotification& notification) {
  if (notification.AspectAs<TXActionCancelAspect>()) CancelRun();
}

TXExtensionList TXDRWorkerGear::ScanExtensions() const {
  return dataSource_ ? dataSource_->ScanExtensions() : TXDRFileTypes::GetAllExtensions();
}

uint16_t TXDRWorkerGear::ScanCodePage() const {
  return dataSource_ ? dataSource_->ScanCodePage() : kDefaultCodePage;
}

void TXDRWorkerGear::ExecuteCommand(TXCommand& command) {
  if (auto* work = dynamic_cast<TXDRWorkCommand*>(&command)) {
    work->Execute();
    return;
  }
  TXThreadWorkerGear<TXDRData>::ExecuteCommand(command);
}

}  // namespace kova
