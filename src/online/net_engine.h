#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/gear_box.h"
#include "online/net_dialog.h"
#include "online/net_wrapper.h"

namespace kova {

class TXCustomNetThread;

using TXNetThreadFactory = std::function<std::unique_ptr<TXCustomNetThread>(TXNetWrapper&)>;

// What a download fetches and how it shows (TXDownloadFlag).
struct TXDownloadRequest {
  std::string Name;  // what the download is about (kept in the wrapper for its completion)
  std::string Data;
  uint32_t Flags = 0;
  uint8_t Options = 0;
  // Form fields, one "name=value" a line; the file is posted when not empty.
  std::string PostText;
  std::string Url;
  // The target file (text macros expanded); empty fetches into memory.
  std::string FileName;
  TXNetCompleteEvent OnComplete;
};

// The network engine: it makes one wrapper per request, counts the requests that run and frees
// completed wrappers when its release message arrives. Lives on the user-interface thread.
// Destroy it from the event loop, not from a request's completion: a request's thread waits for
// its completion to return.
class TXNetEngine : public components::TXEngineBox {
 public:
  // Posted to the engine's window when completed wrappers may be freed.
  static constexpr uint32_t kWmNetRelease = 45089;

  explicit TXNetEngine(TXComponent* owner = nullptr, std::string name = {});
  // Asks every running request to stop, then frees the wrappers (each waits for its thread).
  ~TXNetEngine() override;

  // The live wrappers, in creation order.
  const std::vector<TXNetWrapper*>& Wrappers() const { return wrappers_; }
  // Requests whose thread has started and not yet completed.
  int32_t BusyCount() const { return busyCount_; }

  // When the count goes from 0 to 1 and from 1 to 0.
  std::function<void(TXNetEngine&)> OnActivate;
  std::function<void(TXNetEngine&)> OnDeactivate;
  // The completion that downloads started from news actions receive.
  TXNetCompleteEvent OnDownloadComplete;
  // Makes the progress dialog of downloads (TXNetDownloadDialog unless replaced).
  TXNetDialogFactory DownloadDialogFactory;

  // A wrapper with a new thread (not started) and, when a factory is given, a progress dialog.
  TXNetWrapper& CreateWrapper(const TXNetThreadFactory& thread, const TXNetDialogFactory& dialog,
                              uint8_t options, TXNetCompleteEvent onComplete);
  template <class TThread>
  TXNetWrapper& CreateWrapper(const TXNetDialogFactory& dialog, uint8_t options,
                              TXNetCompleteEvent onComplete) {
    return CreateWrapper(
        [](TXNetWrapper& wrapper) -> std::unique_ptr<TXCustomNetThread> {
          return std::make_unique<TThread>(wrapper);
        },
        dialog, options, std::move(onComplete));
  }

  // Starts a download. DownloadOrThrow lets failures through; Download keeps them to itself.
  // With dfAskTarget the user chooses the target first; a refusal ends the download unstarted.
  void DownloadOrThrow(TXDownloadRequest request);
  void Download(TXDownloadRequest request);

  // Asks for the release of completed wrappers (from the engine's thread or another).
  void PostRelease();

 protected:
  void DoIntCommand(const components::TXIntCommand& command) override;
  void WndProc(TXWindowMessage& message) override;

 private:
  void ReleaseCompleted();
  void FreeWrapper(TXNetWrapper& wrapper);

  std::vector<TXNetWrapper*> wrappers_;
  int32_t busyCount_ = 0;
};

}  // namespace kova
