#pragma once

#include <memory>
#include <string>

#include "framework/gear.h"
#include "framework/worker_thread.h"

namespace kova {

// A gear that runs work; Assemble wires it to the other gears once its engine is complete.
class TXWorkerGear : public TXGear {
 public:
  using TXGear::TXGear;
  virtual void Assemble() {}
};

// A worker gear that runs one thread at a time for its worker. Every notification of the worker
// (its end, its progress as delivered by the engine) is dispatched on the gear, so the gear's
// observers see the whole run. When the thread has stopped the gear announces
// TXOperationThreadTerminatedAspect with the worker's name and outcome on the engine's thread.
class TXCustomThreadWorkerGear : public TXWorkerGear {
 public:
  explicit TXCustomThreadWorkerGear(std::string name = {});
  ~TXCustomThreadWorkerGear() override;

  IXWorker& Worker() const { return *worker_; }
  const TXRef<IXWorker>& WorkerRef() const { return worker_; }
  TXCustomWorkerThread* Thread() const { return thread_.get(); }
  bool IsRunning() const { return thread_ != nullptr; }

  // Takes the thread, gives it the gear's end callback and starts it. False (the thread is
  // discarded unstarted) while another thread runs.
  bool StartThread(std::unique_ptr<TXCustomWorkerThread> thread);
  // Cancels the worker and asks a running thread to terminate.
  void CancelRun();
  // Asks a running thread to terminate and waits for it.
  void StopThread();

  // The worker follows the gear to its new container.
  void SetContainer(IXMessageContainer* container) override;

 protected:
  // Runs on the engine's thread after the thread has stopped.
  virtual void ThreadEnded();

 private:
  void ForwardWorker(AXNotification& notification);

  TXRef<IXWorker> worker_;
  std::unique_ptr<TXCustomWorkerThread> thread_;
};

// A thread worker gear that owns the data object its threads work on.
template <class T>
class TXThreadWorkerGear : public TXCustomThreadWorkerGear {
 public:
  explicit TXThreadWorkerGear(std::string name = {}) : TXCustomThreadWorkerGear(std::move(name)) {}
  ~TXThreadWorkerGear() override { StopThread(); }

  T& Data() { return data_; }
  const T& Data() const { return data_; }

 private:
  T data_;
};

}  // namespace kova
