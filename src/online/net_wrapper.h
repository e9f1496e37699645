#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/gear_component.h"
#include "online/internet_data_filer.h"

namespace kova {

class TXCustomNetDialog;
class TXCustomNetThread;
class TXNetEngine;
class TXNetWrapper;

// Called on the user-interface thread when a request has completed, whatever its outcome (the
// wrapper's Result).
using TXNetCompleteEvent = std::function<void(TXNetWrapper& wrapper)>;

// One request of the network engine: it owns the request (TXInternetDataFiler), the thread that
// carries it out and, optionally, a progress dialog. Owned by its engine, which frees it once it
// has completed and its dialog no longer shows.
class TXNetWrapper : public components::TXGear {
 public:
  explicit TXNetWrapper(TXComponent* owner = nullptr, std::string name = {});
  // Drops the thread's pending hand-overs, frees the dialog and waits for the thread.
  ~TXNetWrapper() override;

  TXNetEngine* Engine() const { return engine_; }
  void SetEngine(TXNetEngine* engine) { engine_ = engine; }

  TXCustomNetDialog* Dialog() const { return dialog_.get(); }
  void SetDialog(std::unique_ptr<TXCustomNetDialog> dialog);
  TXCustomNetThread* Thread() const { return thread_.get(); }
  void SetThread(std::unique_ptr<TXCustomNetThread> thread);

  // The request; nullptr while its thread holds it.
  TXInternetDataFiler* Filer() const { return filer_.get(); }
  bool Done() const { return done_; }
  // The request's final code: 0 success, 1 cancelled, -1 nothing new, else a failure.
  int32_t Result() const { return result_; }

  TXNetCompleteEvent OnComplete;
  // What the download is about, for its completion handler: the news item's name and data.
  std::string RequestName;
  std::string RequestData;

  // Hands the request to the thread and starts it (copying the shared server list first).
  void Start();

  // --- called on the user-interface thread by the request's thread
  // Takes the request back; replaces the caller's server list when a refresh loaded a new one.
  void ReturnFiler(std::unique_ptr<TXInternetDataFiler> filer);
  void SetResult(int32_t result) { result_ = result; }
  // The thread has ended: the engine may release the wrapper.
  void ThreadEnded();

 protected:
  // 102 asks the thread to terminate, 107 and 108 go on to the engine, -3 (the dialog closed)
  // lets the engine release a completed wrapper. Commands count only while there is an engine.
  void DoIntCommand(const components::TXIntCommand& command) override;

 private:
  void PostRelease() const;

  TXNetEngine* engine_ = nullptr;
  std::unique_ptr<TXCustomNetDialog> dialog_;
  std::unique_ptr<TXCustomNetThread> thread_;
  std::unique_ptr<TXInternetDataFiler> filer_;
  bool done_ = false;
  int32_t result_ = 0;
};

}  // namespace kova
