#include "cli/cli_session.h"

#include "framework/aspects.h"
#include "framework/headless_loop.h"

namespace kova::cli {

TXExtensionList TXCliDataGear::ScanExtensions() {
  return chosen_.empty() ? TXDRFileTypes::GetAllExtensions() : chosen_;
}

TXCliSession::TXCliSession()
    : engine_(std::make_unique<TXEngine>(ProcessHeadlessLoop(), "Recovery")),
      data_(engine_->CreateGear<TXCliDataGear>()),
      view_(engine_->CreateGear<TXCliViewGear>()),
      worker_(engine_->CreateGear<TXDRWorkerGear>()) {
  DispatchAspect<TXAssembleAspect>(*engine_);
  worker_.AddObserver<TXOperationThreadTerminatedAspect>(this, &TXCliSession::OnWorkerEvent);
}

TXCliSession::~TXCliSession() {
  worker_.RemoveObserversOf(this);
  engine_->FreeGears();
}

void TXCliSession::OnWorkerEvent(AXNotification& notification) {
  if (auto* end = notification.AspectAs<TXOperationThreadTerminatedAspect>()) {
    end_ = {end->Name, end->ErrorData};
    ended_ = true;
  }
}

TXRef<TXCommand> TXCliSession::ScanCommand(const TXCliSource& source, int64_t size) {
  if (source.Kind == TXCliSourceKind::skDrive)
    return MakeRef<TXDRDiskDeepScanWorkCommand>(&worker_, source.Path, size);
  return MakeRef<TXDRDiskImageDeepScanWorkCommand>(&worker_, source.Path);
}

TXCliRunEnd TXCliSession::Run(TXRef<TXCommand> command) {
  ended_ = false;
  worker_.ExecuteCommand(*command);
  while (!ended_)
    ProcessHeadlessLoop().RunUntil([this] { return ended_; }, std::chrono::hours(1));
  return end_;
}

}  // namespace kova::cli
