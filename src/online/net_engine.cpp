#include "online/net_engine.h"

#include <algorithm>
#include <filesystem>

#include "framework/core_app.h"
#include "framework/vel_app.h"
#include "online/download_dialog.h"
#include "online/net_filer_thread.h"
#include "online/online_shell.h"

namespace kova {

TXNetEngine::TXNetEngine(TXComponent* owner, std::string name)
    : components::TXEngineBox(owner, std::move(name)),
      DownloadDialogFactory([] { return std::make_unique<TXNetDownloadDialog>(); }) {}

TXNetEngine::~TXNetEngine() {
  for (auto it = wrappers_.rbegin(); it != wrappers_.rend(); ++it) {
    TXNetWrapper& wrapper = **it;
    wrapper.SetEngine(nullptr);
    if (TXCustomNetThread* thread = wrapper.Thread()) {
      thread->Abandon();
      thread->RequestTerminate();
    }
  }
  while (!wrappers_.empty())
    FreeWrapper(*wrappers_.back());
}

TXNetWrapper& TXNetEngine::CreateWrapper(const TXNetThreadFactory& thread,
                                         const TXNetDialogFactory& dialog, uint8_t options,
                                         TXNetCompleteEvent onComplete) {
  TXNetWrapper& wrapper = AddGear<TXNetWrapper>();
  wrapper.SetThread(thread(wrapper));
  wrapper.SetEngine(this);
  wrapper.OnComplete = std::move(onComplete);
  wrapper.Filer()->Options = options;
  if (dialog) wrapper.SetDialog(dialog());
  wrappers_.push_back(&wrapper);
  return wrapper;
}

void TXNetEngine::DownloadOrThrow(TXDownloadRequest request) {
  std::string fileName = ExpandTextMacros(request.FileName);
  if (request.Flags & dfAskTarget) {
    const std::filesystem::path suggested(fileName);
    std::optional<std::string> chosen = OnlineShell().AskSaveFileName(
        nullptr, suggested.parent_path().string(), suggested.filename().string());
    if (!chosen) return;
    fileName = *chosen;
  }
  if (fileName.empty()) request.Options |= noMemoryOnly;
  TXNetWrapper& wrapper = CreateWrapper<TXSimpleNetFilerThread>(
      request.Flags & dfProgressDialog ? DownloadDialogFactory : TXNetDialogFactory(),
      request.Options, std::move(request.OnComplete));
  wrapper.RequestName = request.Name;
  wrapper.RequestData = request.Data;
  wrapper.Filer()->Files.AddFile(request.Url, fileName, request.PostText);
  wrapper.Start();
  if (TXCustomNetDialog* dialog = wrapper.Dialog(); dialog && !wrapper.Done()) {
    dialog->ShowProgress(request.Flags);
  }
}

void TXNetEngine::Download(TXDownloadRequest request) {
  try {
    DownloadOrThrow(std::move(request));
  } catch (...) {
    // Plain download links fail silently; their progress dialog reports what it can.
  }
}

void TXNetEngine::PostRelease() {
  PostWindowMessage(Handle(), kWmNetRelease);
}

void TXNetEngine::DoIntCommand(const components::TXIntCommand& command) {
  if (command.Command == ncStarted) {
    if (busyCount_++ == 0 && OnActivate) OnActivate(*this);
  } else if (command.Command == ncStopped) {
    if (busyCount_-- == 1 && OnDeactivate) OnDeactivate(*this);
  }
}

void TXNetEngine::WndProc(TXWindowMessage& message) {
  if (message.Msg == kWmNetRelease) {
    ReleaseCompleted();
    return;
  }
  components::TXEngineBox::WndProc(message);
}

void TXNetEngine::ReleaseCompleted() {
  const bool terminating = CoreApp().IsTerminating();
  for (size_t i = wrappers_.size(); i-- > 0;) {
    TXNetWrapper& wrapper = *wrappers_[i];
    if (!wrapper.Done()) continue;
    if (!terminating && wrapper.Dialog() && wrapper.Dialog()->IsShowing()) continue;
    FreeWrapper(wrapper);
  }
}

void TXNetEngine::FreeWrapper(TXNetWrapper& wrapper) {
  std::erase(wrappers_, &wrapper);
  FreeComponent(wrapper);
}

}  // namespace kova
