#include "framework/worker_gear.h"

#include "framework/aspects.h"
#include "framework/worker.h"

namespace kova {

TXCustomThreadWorkerGear::TXCustomThreadWorkerGear(std::string name)
    : TXWorkerGear(std::move(name)), worker_(MakeRef<TXWorker>(TXRefMode::rmInterlocked)) {
  worker_->AddObserver(TXHandler(this, &TXCustomThreadWorkerGear::ForwardWorker));
}

TXCustomThreadWorkerGear::~TXCustomThreadWorkerGear() {
  worker_->RemoveObserversOf(this);
  StopThread();
  worker_->SetContainer(nullptr);
}

void TXCustomThreadWorkerGear::ForwardWorker(AXNotification& notification) {
  Dispatch(notification);
}

void TXCustomThreadWorkerGear::SetContainer(IXMessageContainer* container) {
  TXWorkerGear::SetContainer(container);
  worker_->SetContainer(container);
}

bool TXCustomThreadWorkerGear::StartThread(std::unique_ptr<TXCustomWorkerThread> thread) {
  if (thread_ || !thread) return false;
  thread->SetEndCallback([this] { ThreadEnded(); });
  // The worker is made ready here rather than in the thread's body, so that a cancel that comes
  // before the body has begun is not wiped out by it.
  worker_->Reset();
  thread_ = std::move(thread);
  thread_->Start();
  return true;
}

void TXCustomThreadWorkerGear::CancelRun() {
  worker_->Cancel();
  if (thread_) thread_->RequestTerminate();
}

void TXCustomThreadWorkerGear::StopThread() {
  if (!thread_) return;
  thread_->Stop();
  thread_.reset();
}

void TXCustomThreadWorkerGear::ThreadEnded() {
  // Releasing the stopped thread ends a worker that its body left running, so the announcement
  // below always follows the worker's own end.
  thread_.reset();
  auto notification = MakeRef<TXNotification<TXOperationThreadTerminatedAspect>>(
      TXRefMode::rmPlain,
      std::make_unique<TXOperationThreadTerminatedAspect>(worker_->GetName(),
                                                          worker_->GetErrorData()),
      worker_.Get());
  worker_->Dispatch(*notification);
}

}  // namespace kova
