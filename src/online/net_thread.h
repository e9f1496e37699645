#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "framework/progress_manager.h"
#include "online/http_client.h"
#include "online/internet_data_filer.h"
#include "online/net_texts.h"
#include "online/proxy_settings.h"

// The threads that carry out requests. A request's thread owns its HTTP client, a progress
// manager and a copy of the proxy settings, and holds the request while it runs. Whatever touches
// the user interface (the wrapper's commands, the dialog, the completion) runs on the
// user-interface thread through synchronous hand-overs while the request's thread waits.
namespace kova {

class TXNetWrapper;

// Integer commands between requests, dialogs, wrappers and the engine.
enum TXNetCommand : int32_t {
  ncDialogClosed = -3,
  ncCancel = 102,
  ncStarted = 107,
  ncStopped = 108,
};

class TXCustomNetThread : public TXObject {
 public:
  using Clock = std::chrono::steady_clock;

  // Made on the user-interface thread: reads the language texts and copies the proxy settings.
  explicit TXCustomNetThread(TXNetWrapper& wrapper);
  // Drops hand-overs that have not run, asks the thread to terminate and waits for it.
  ~TXCustomNetThread() override;

  TXNetWrapper& Wrapper() const { return wrapper_; }

  // Takes the request and starts the thread; false when it was started before.
  bool Start(std::unique_ptr<TXInternetDataFiler> filer);
  bool Started() const { return started_; }
  // From any thread: the thread stops at its next chance.
  void RequestTerminate() { terminate_.store(true, std::memory_order_release); }
  bool TerminateRequested() const { return terminate_.load(std::memory_order_acquire); }
  // The owner is going: hand-overs still waiting are dropped and none runs any more.
  void Abandon();
  void Wait();

  // Set before Start when the wrapper has a progress dialog to keep up to date.
  void SetHasDialog(bool hasDialog) { hasDialog_ = hasDialog; }

  // --- the outcome (read on the user-interface thread after completion)
  int32_t ResultCode() const { return resultCode_; }
  bool Succeeded() const { return succeeded_; }
  const std::string& Message() const { return message_; }
  const std::string& StatusText() const { return statusText_; }
  const std::string& SpeedText() const { return speedText_; }

 protected:
  // The request's work, on the thread.
  virtual void Execute() = 0;

  // Runs the procedure on the user-interface thread and waits; false when it did not run (the
  // owner went, the application is terminating, or the procedure failed).
  bool HandOver(const std::function<void()>& procedure);
  // Gives the dialog the current texts and position, when the wrapper has one. Unless forced,
  // updates closer together than the dialog can show are left out.
  void UpdateDialog(bool force = false);
  // On the user-interface thread, after every request: hands the request back to the wrapper,
  // sets its result, tells it the request stopped, finishes the dialog and calls the completion.
  void Complete(int32_t code, const std::string& errorText);

  TXHttpClient& Http() { return http_; }
  TXProgressManager& Progress() { return progress_->Manager(); }
  const TXProxySettings& Proxy() const { return proxy_; }
  const TXNetTexts& Texts() const { return texts_; }
  TXInternetDataFiler& Filer() { return *filer_; }
  std::unique_ptr<TXInternetDataFiler> TakeFiler() { return std::move(filer_); }

  // Sets the referer and the user agent that every POST carries.
  static void PrepareForPost(TXHttpClient& client);
  // Starts the clock of the transfer rate and the elapsed time.
  void StartClock();
  int64_t ElapsedSeconds() const;

  // Counters of the transfer.
  int64_t ExpectedTotal = 0;
  int64_t DoneBefore = 0;
  int64_t Transferred = 0;
  int64_t ResponseExpected = 0;
  int64_t ResponseDone = 0;
  int64_t LastCount = 0;
  bool SizesKnown = true;
  std::string CurrentFile;

  int32_t resultCode_ = 0;
  bool succeeded_ = false;
  std::string message_;
  std::string statusText_;
  std::string speedText_;

 private:
  void Run();
  void BodyStarted(int64_t expected);
  void BodyProgressed(int64_t received);
  void BodyEnded(int64_t length);
  // Records a cancel and disconnects when the thread was asked to terminate.
  bool StopIfTerminating();
  void ShowKnownSizeStatus(int64_t received, double rate, int32_t& position);

  TXNetWrapper& wrapper_;
  std::thread thread_;
  bool started_ = false;
  std::atomic<bool> terminate_{false};
  std::atomic<bool> abandoned_{false};
  bool hasDialog_ = false;
  TXHttpClient http_;
  std::unique_ptr<TXProgressGear> progress_;
  TXProxySettings proxy_;
  TXNetTexts texts_;
  std::unique_ptr<TXInternetDataFiler> filer_;
  Clock::time_point startTime_;
  Clock::time_point lastTime_;
  Clock::time_point lastDialogUpdate_;
};

}  // namespace kova
