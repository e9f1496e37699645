#include "framework/worker.h"

#include "framework/aspects.h"
#include "framework/empty_progress.h"
#include "framework/worker_progress.h"

namespace kova {

namespace {

// Dispatches a new notification of aspect A with the worker as sender.
template <class A, class... Args>
void DispatchFrom(TXObservable& worker, Args&&... args) {
  auto notification = MakeRef<TXNotification<A>>(
      TXRefMode::rmInterlocked, std::make_unique<A>(std::forward<Args>(args)...), &worker);
  worker.Dispatch(*notification);
}

}  // namespace

TXCustomWorker::TXCustomWorker(TXRefMode mode, std::string name)
    : IXWorker(mode), name_(std::move(name)) {
  SetProgress(&EmptyProgress());
}

TXCustomWorker::~TXCustomWorker() {
  progress_->RemoveHandler(Forwarder());
}

TXHandler TXCustomWorker::Forwarder() {
  return TXHandler(this, &TXCustomWorker::ForwardProgress);
}

void TXCustomWorker::SetProgress(TXRef<IXProgress> progress) {
  if (progress_) progress_->RemoveHandler(Forwarder());
  progress_ = std::move(progress);
  progress_->AddObserver(Forwarder());
}

void TXCustomWorker::ForwardProgress(AXNotification& notification) {
  if (IXMessageContainer* container = Container()) {
    container->PostNotification(*this, TXNotificationRef(&notification));
  } else {
    Dispatch(notification);
  }
}

std::string TXCustomWorker::GetName() const {
  std::lock_guard lock(mutex_);
  return name_;
}

void TXCustomWorker::SetName(const std::string& name) {
  std::lock_guard lock(mutex_);
  name_ = name;
}

bool TXCustomWorker::IsCancelled() const {
  std::lock_guard lock(mutex_);
  return terminated_.load() && errorData_.Code == kErrCancelled;
}

TXErrorData TXCustomWorker::GetErrorData() const {
  std::lock_guard lock(mutex_);
  return errorData_;
}

void TXCustomWorker::Reset() {
  std::lock_guard lock(mutex_);
  terminated_.store(false, std::memory_order_release);
  errorData_.Clear();
  figures_.Reset();
}

void TXCustomWorker::Terminate(const TXErrorData& errorData) {
  std::string name;
  {
    std::lock_guard lock(mutex_);
    if (terminated_.load()) return;
    errorData_ = errorData;
    terminated_.store(true, std::memory_order_release);
    name = name_;
  }
  DoTerminated();
  DispatchFrom<TXOperationTerminatedAspect>(*this, name, errorData);
  DispatchFrom<TXTaskTerminatedAspect>(*this);
}

void TXCustomWorker::Cancel() {
  {
    std::lock_guard lock(mutex_);
    errorData_.Clear();
    errorData_.Code = kErrCancelled;
    terminated_.store(true, std::memory_order_release);
  }
  DoTerminated();
  DispatchFrom<TXTaskTerminatedAspect>(*this);
}

TXWorker::TXWorker(TXRefMode mode, std::string name) : TXCustomWorker(mode, std::move(name)) {
  SetProgress(MakeRef<TXWorkerProgress>(TXRefMode::rmPlain));
}

}  // namespace kova
