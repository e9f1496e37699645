#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "framework/worker_interfaces.h"

namespace kova {

class TXCustomEngine;

// An operating-system thread that runs one operation for a worker. The worker's container is the
// engine through which the thread reports: its end callback and its hand-overs run on that
// engine's thread. A worker that terminates (whoever ends it) asks the thread to terminate; the
// thread's body checks TerminateRequested. The body uses the derived object, so its owner calls
// Stop before destroying it (the thread worker gear does).
class TXCustomWorkerThread : public TXObject {
 public:
  explicit TXCustomWorkerThread(TXRef<IXWorker> worker);
  ~TXCustomWorkerThread() override;

  IXWorker& Worker() const { return *worker_; }

  // Runs on the engine's thread once the thread has stopped. Set before Start.
  void SetEndCallback(std::function<void()> callback);
  // Nothing more is announced when the thread ends (used while the application shuts down).
  void DropEndCallback();

  // Starts the thread once; false when it was started before.
  bool Start();
  bool Started() const { return started_; }
  // From any thread: the body should stop; a worker that has not terminated yet terminates with
  // the error record it holds.
  void RequestTerminate();
  bool TerminateRequested() const { return terminateRequested_.load(std::memory_order_acquire); }
  // Waits until the thread has stopped (not from the thread itself).
  void Wait();
  // Asks the thread to terminate and waits for it.
  void Stop();

  // From the body: runs the procedure on the engine's thread and waits for it. False when it did
  // not run: no engine, the application is terminating, the engine dropped it, or termination was
  // requested before it started.
  bool Synchronize(const std::function<void()>& procedure);

 protected:
  // The operation. An exception that escapes it is recorded as the thread's error and, unless the
  // worker has ended, ends the worker with that record.
  virtual void Execute() = 0;

 private:
  void Body();
  void RunExecute();
  void AnnounceEnd();
  void Finished();
  void OnWorkerTerminated(AXNotification& notification);
  TXCustomEngine* Engine() const;

  TXRef<IXWorker> worker_;
  std::thread thread_;
  bool started_ = false;
  std::atomic<bool> terminateRequested_{false};
  std::mutex callbackMutex_;
  std::function<void()> endCallback_;
  std::atomic<TXCustomEngine*> endPostedTo_{nullptr};
};

// A worker thread that works on a data object it does not own.
template <class T>
class TXWorkerThread : public TXCustomWorkerThread {
 public:
  TXWorkerThread(TXRef<IXWorker> worker, T& data)
      : TXCustomWorkerThread(std::move(worker)), data_(data) {}

  T& Data() const { return data_; }

 private:
  T& data_;
};

}  // namespace kova
