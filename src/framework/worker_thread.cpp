#include "framework/worker_thread.h"

#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/engine.h"

namespace kova {

TXCustomWorkerThread::TXCustomWorkerThread(TXRef<IXWorker> worker) : worker_(std::move(worker)) {
  worker_->AddObserver<TXOperationTerminatedAspect>(this,
                                                    &TXCustomWorkerThread::OnWorkerTerminated);
}

TXCustomWorkerThread::~TXCustomWorkerThread() {
  Stop();
  // Only when the thread destroys its own object: it cannot wait for itself.
  if (thread_.joinable()) thread_.detach();
  if (TXCustomEngine* engine = endPostedTo_.load()) engine->PurgeMessagesOf(this);
}

void TXCustomWorkerThread::SetEndCallback(std::function<void()> callback) {
  std::lock_guard lock(callbackMutex_);
  endCallback_ = std::move(callback);
}

void TXCustomWorkerThread::DropEndCallback() {
  SetEndCallback(nullptr);
}

bool TXCustomWorkerThread::Start() {
  if (started_) return false;
  started_ = true;
  thread_ = std::thread([this] { Body(); });
  return true;
}

void TXCustomWorkerThread::RequestTerminate() {
  if (terminateRequested_.exchange(true, std::memory_order_acq_rel)) return;
  worker_->RemoveObserver<TXOperationTerminatedAspect>(this,
                                                       &TXCustomWorkerThread::OnWorkerTerminated);
  if (!worker_->IsTerminated()) worker_->Terminate(worker_->GetErrorData());
}

void TXCustomWorkerThread::OnWorkerTerminated(AXNotification& notification) {
  if (notification.AspectAs<TXOperationTerminatedAspect>()) RequestTerminate();
}

void TXCustomWorkerThread::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TXCustomWorkerThread::Stop() {
  RequestTerminate();
  Wait();
}

TXCustomEngine* TXCustomWorkerThread::Engine() const {
  return dynamic_cast<TXCustomEngine*>(worker_->Container());
}

bool TXCustomWorkerThread::Synchronize(const std::function<void()>& procedure) {
  TXCustomEngine* engine = Engine();
  return engine && engine->Invoke(procedure, [this] { return TerminateRequested(); });
}

void TXCustomWorkerThread::Body() {
  RunExecute();
  AnnounceEnd();
}

void TXCustomWorkerThread::RunExecute() {
  try {
    Execute();
    return;
  } catch (const std::exception& error) {
    RecordException(error);
  } catch (...) {
    SetThreadErrorIfNone(kErrOsError, 0, "unknown failure");
  }
  if (!worker_->IsTerminated() && !CoreApp().IsTerminating()) worker_->Terminate(ThreadError());
}

void TXCustomWorkerThread::AnnounceEnd() {
  {
    std::lock_guard lock(callbackMutex_);
    if (!endCallback_) return;
  }
  TXCustomEngine* engine = Engine();
  if (!engine || CoreApp().IsTerminating()) return;
  endPostedTo_.store(engine);
  engine->PostProcedure(this, [this] { Finished(); });
}

void TXCustomWorkerThread::Finished() {
  Wait();
  std::function<void()> callback;
  {
    std::lock_guard lock(callbackMutex_);
    callback = endCallback_;
  }
  // The callback may destroy this object: nothing of it is touched afterwards.
  if (callback) callback();
}

}  // namespace kova
