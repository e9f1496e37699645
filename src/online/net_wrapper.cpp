#include "online/net_wrapper.h"

#include "online/net_dialog.h"
#include "online/net_engine.h"
#include "online/net_thread.h"

namespace kova {

TXNetWrapper::TXNetWrapper(TXComponent* owner, std::string name)
    : components::TXGear(owner, std::move(name)), filer_(std::make_unique<TXInternetDataFiler>()) {}

TXNetWrapper::~TXNetWrapper() {
  if (thread_) thread_->Abandon();
  if (dialog_) dialog_->SetWrapper(nullptr);
  dialog_.reset();
  try {
    thread_.reset();
  } catch (...) {
    // Nothing of a thread that failed to stop may stop the wrapper from going.
  }
}

void TXNetWrapper::SetDialog(std::unique_ptr<TXCustomNetDialog> dialog) {
  if (dialog_) dialog_->SetWrapper(nullptr);
  dialog_ = std::move(dialog);
  if (dialog_) dialog_->SetWrapper(this);
  if (thread_) thread_->SetHasDialog(dialog_ != nullptr);
}

void TXNetWrapper::SetThread(std::unique_ptr<TXCustomNetThread> thread) {
  thread_ = std::move(thread);
  if (thread_) thread_->SetHasDialog(dialog_ != nullptr);
}

void TXNetWrapper::Start() {
  if (!thread_ || !filer_) return;
  if (filer_->SharedServers) {
    filer_->Servers.CopyFrom(*filer_->SharedServers);
    filer_->Servers.SetUpdated(false);
  }
  thread_->Start(std::move(filer_));
}

void TXNetWrapper::ReturnFiler(std::unique_ptr<TXInternetDataFiler> filer) {
  filer_ = std::move(filer);
  if (filer_ && filer_->SharedServers && filer_->Servers.Updated()) {
    filer_->SharedServers->CopyFrom(filer_->Servers);
  }
}

void TXNetWrapper::ThreadEnded() {
  done_ = true;
  if (!engine_) return;
  if (!dialog_ || !dialog_->IsShowing()) PostRelease();
}

void TXNetWrapper::PostRelease() const {
  if (engine_) engine_->PostRelease();
}

void TXNetWrapper::DoIntCommand(const components::TXIntCommand& command) {
  if (!engine_) return;
  switch (command.Command) {
    case ncCancel:
      if (thread_) thread_->RequestTerminate();
      break;
    case ncStarted:
    case ncStopped:
      engine_->IntCommand(command);
      break;
    case ncDialogClosed:
      if (done_) PostRelease();
      break;
    default:
      break;
  }
}

}  // namespace kova
