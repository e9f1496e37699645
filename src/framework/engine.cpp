#include "framework/engine.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

#include "framework/core_app.h"

namespace kova {

namespace {

// The meeting point of a thread that hands a procedure to the engine's thread and waits.
class HandOverState {
 public:
  void Execute(const std::function<void()>& procedure) {
    {
      std::lock_guard lock(mutex_);
      if (phase_ != Phase::Waiting) return;
      phase_ = Phase::Running;
    }
    std::exception_ptr error;
    try {
      procedure();
    } catch (...) {
      error = std::current_exception();
    }
    Finish(Phase::Done, std::move(error));
  }

  // The procedure will never run (its queue entry went undelivered).
  void Drop() { Finish(Phase::Dropped, nullptr); }

  // Answers true once the procedure ran; false when it was dropped or abandoned before starting.
  bool Wait(const std::function<bool()>& abandonWhen) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (phase_ == Phase::Done) {
        // Taken out, so that the failure lives and dies on the waiting thread only.
        if (std::exception_ptr error = std::exchange(error_, nullptr)) {
          lock.unlock();
          std::rethrow_exception(error);
        }
        return true;
      }
      if (phase_ == Phase::Dropped) return false;
      if (phase_ == Phase::Waiting && ShouldAbandon(abandonWhen)) {
        phase_ = Phase::Dropped;
        return false;
      }
      changed_.wait_for(lock, std::chrono::milliseconds(10));
    }
  }

 private:
  enum class Phase { Waiting, Running, Done, Dropped };

  static bool ShouldAbandon(const std::function<bool()>& abandonWhen) {
    return CoreApp().IsTerminating() || (abandonWhen && abandonWhen());
  }

  void Finish(Phase phase, std::exception_ptr error) {
    {
      std::lock_guard lock(mutex_);
      if (phase_ == Phase::Done || phase_ == Phase::Dropped) return;
      phase_ = phase;
      error_ = std::move(error);
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Phase phase_ = Phase::Waiting;
  std::exception_ptr error_;
};

// Held by the queued procedure: when the last copy goes without the procedure having run, the
// waiting thread is released.
class HandOverTicket {
 public:
  explicit HandOverTicket(std::shared_ptr<HandOverState> state) : state_(std::move(state)) {}
  ~HandOverTicket() { state_->Drop(); }
  HandOverTicket(const HandOverTicket&) = delete;
  HandOverTicket& operator=(const HandOverTicket&) = delete;
  HandOverState& State() { return *state_; }

 private:
  std::shared_ptr<HandOverState> state_;
};

}  // namespace

TXCustomEngine::TXCustomEngine(IXEventLoop* loop, std::string name)
    : TXCustomGear(std::move(name)), thread_(std::this_thread::get_id()) {
  SetContainer(this);
  if (loop) {
    window_ = std::make_unique<TXHandleManager>(
        [this](TXWindowMessage& message) { WndProc(message); }, *loop);
  }
}

TXCustomEngine::~TXCustomEngine() {
  SetContainer(nullptr);
  window_.reset();
  FreeGears();
  queue_.Clear();
}

TXCustomGear& TXCustomEngine::AddGear(std::unique_ptr<TXCustomGear> gear) {
  gear->SetContainer(this);
  gears_.push_back(std::move(gear));
  return *gears_.back();
}

std::unique_ptr<TXCustomGear> TXCustomEngine::RemoveGear(TXCustomGear& gear) {
  auto it =
      std::find_if(gears_.begin(), gears_.end(), [&](const auto& g) { return g.get() == &gear; });
  if (it == gears_.end()) return nullptr;
  std::unique_ptr<TXCustomGear> removed = std::move(*it);
  gears_.erase(it);
  removed->SetContainer(nullptr);
  return removed;
}

void TXCustomEngine::FreeGears() {
  while (!gears_.empty()) {
    std::unique_ptr<TXCustomGear> gear = std::move(gears_.back());
    gears_.pop_back();
  }
}

TXCustomGear* TXCustomEngine::FindGear(std::string_view name) const {
  for (const auto& gear : gears_) {
    if (gear->GetName() == name) return gear.get();
  }
  return nullptr;
}

void TXCustomEngine::Startup() {
  TXCustomGear::Startup();
  for (size_t i = 0; i < gears_.size(); ++i)
    gears_[i]->Startup();
}

void TXCustomEngine::Shutdown() {
  TXCustomGear::Shutdown();
  for (size_t i = 0; i < gears_.size(); ++i)
    gears_[i]->Shutdown();
}

void TXCustomEngine::Enqueue(TXQueuedMessage message) {
  TXHandleManager* window = window_.get();
  queue_.Push(std::move(message));
  if (window && !wakePosted_.exchange(true)) window->Post(kWmEngineQueue);
}

void TXCustomEngine::PostNotification(TXObservable& target, TXNotificationRef notification) {
  Enqueue({&target, &target, std::move(notification), nullptr, nullptr});
}

void TXCustomEngine::SendNotification(TXObservable& target, TXNotificationRef notification) {
  if (!IsEngineThread()) return PostNotification(target, std::move(notification));
  queue_.Push({&target, &target, std::move(notification), nullptr, nullptr});
  ProcessMessages();
}

void TXCustomEngine::PurgeMessages(const TXObservable& target) {
  queue_.Purge(&target);
}

void TXCustomEngine::PostCommand(TXCustomGear& target, TXRef<TXCommand> command) {
  TXObservable& observable = target;
  Enqueue({&observable, &observable, nullptr, std::move(command), nullptr});
}

void TXCustomEngine::SendCommand(TXCustomGear& target, TXRef<TXCommand> command) {
  if (!IsEngineThread()) return PostCommand(target, std::move(command));
  TXObservable& observable = target;
  queue_.Push({&observable, &observable, nullptr, std::move(command), nullptr});
  ProcessMessages();
}

void TXCustomEngine::PostProcedure(const void* key, std::function<void()> procedure) {
  Enqueue({key, nullptr, nullptr, nullptr, std::move(procedure)});
}

void TXCustomEngine::PurgeMessagesOf(const void* key) {
  queue_.Purge(key);
}

void TXCustomEngine::ProcessMessages() {
  while (std::optional<TXQueuedMessage> message = queue_.Take()) {
    try {
      Deliver(*message);
    } catch (...) {
      // The entries behind the failing one wait for the next drain.
      if (window_ && queue_.Count() > 0 && !wakePosted_.exchange(true)) {
        window_->Post(kWmEngineQueue);
      }
      throw;
    }
  }
}

void TXCustomEngine::Deliver(TXQueuedMessage& message) {
  if (message.Notification) {
    message.Target->Dispatch(*message.Notification);
  } else if (message.Command) {
    if (auto* gear = dynamic_cast<TXCustomGear*>(message.Target))
      gear->ExecuteCommand(*message.Command);
  } else if (message.Procedure) {
    message.Procedure();
  }
}

bool TXCustomEngine::Invoke(const std::function<void()>& procedure,
                            const std::function<bool()>& abandonWhen) {
  if (IsEngineThread()) {
    procedure();
    return true;
  }
  if (CoreApp().IsTerminating()) return false;
  auto state = std::make_shared<HandOverState>();
  auto ticket = std::make_shared<HandOverTicket>(state);
  PostProcedure(this, [ticket, procedure] { ticket->State().Execute(procedure); });
  ticket.reset();
  return state->Wait(abandonWhen);
}

void TXCustomEngine::WndProc(TXWindowMessage& message) {
  if (message.Msg != kWmEngineQueue) return;
  // Copies first, flag second: a post that finds the flag set has queued its message before the
  // flag is cleared, so this drain delivers it; a later post asks for a wake-up of its own.
  window_->RemovePending(kWmEngineQueue);
  wakePosted_.store(false);
  ProcessMessages();
}

}  // namespace kova
