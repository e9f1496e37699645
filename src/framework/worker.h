#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "framework/worker_interfaces.h"

namespace kova {

// A long operation's name, end state and outcome. Safe to use from several threads: the run's
// thread reports and terminates, the user-interface thread cancels and reads the outcome.
// Terminate and Cancel dispatch their notifications on the calling thread; the progress's
// notifications are forwarded through the worker's container with the worker as target.
class TXCustomWorker : public IXWorker {
 public:
  explicit TXCustomWorker(TXRefMode mode = TXRefMode::rmInterlocked, std::string name = {});
  ~TXCustomWorker() override;

  std::string GetName() const override;
  void SetName(const std::string& name) override;
  bool IsTerminated() const override { return terminated_.load(std::memory_order_acquire); }
  bool IsCancelled() const override;
  TXErrorData GetErrorData() const override;
  IXProgress& GetProgress() override { return *progress_; }
  TXRunFigures& Figures() override { return figures_; }
  void Reset() override;
  // The first outcome wins, also when two threads call at once. Announces
  // TXOperationTerminatedAspect and TXTaskTerminatedAspect.
  void Terminate(const TXErrorData& errorData) override;
  // Ends with code 1 whatever the state; announces TXTaskTerminatedAspect.
  void Cancel() override;

 protected:
  // Called when the worker terminates or is cancelled, before the announcements.
  virtual void DoTerminated() {}
  void SetProgress(TXRef<IXProgress> progress);

 private:
  void ForwardProgress(AXNotification& notification);
  TXHandler Forwarder();

  mutable std::mutex mutex_;
  std::string name_;
  std::atomic<bool> terminated_{false};
  TXErrorData errorData_;
  TXRef<IXProgress> progress_;
  TXRunFigures figures_;
};

// A worker with progress of its own (TXWorkerProgress).
class TXWorker : public TXCustomWorker {
 public:
  explicit TXWorker(TXRefMode mode = TXRefMode::rmInterlocked, std::string name = {});
};

}  // namespace kova
