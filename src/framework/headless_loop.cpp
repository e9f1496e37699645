#include "framework/headless_loop.h"

#include <algorithm>
#include <vector>

#include "framework/error_data.h"

namespace kova {

TXLoopClientId TXHeadlessLoop::AddClient(IXLoopClient& client) {
  std::lock_guard lock(mutex_);
  const TXLoopClientId id = nextClient_++;
  clients_.emplace(id, Client{&client});
  return id;
}

void TXHeadlessLoop::RemoveClient(TXLoopClientId id) {
  std::lock_guard lock(mutex_);
  clients_.erase(id);
  std::erase_if(events_, [id](const Event& e) { return e.Client == id; });
}

void TXHeadlessLoop::Wake(TXLoopClientId id) {
  {
    std::lock_guard lock(mutex_);
    auto it = clients_.find(id);
    if (it == clients_.end() || it->second.Pending) return;
    it->second.Pending = true;
    events_.push_back({id, 0});
  }
  changed_.notify_all();
}

TXTimerId TXHeadlessLoop::StartTimer(uint32_t delayMs, std::function<void()> callback) {
  TXTimerId id;
  {
    std::lock_guard lock(mutex_);
    id = nextTimer_++;
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(delayMs);
    timers_.emplace(id, Timer{due, std::move(callback)});
    dueOrder_.emplace(due, id);
  }
  changed_.notify_all();
  return id;
}

bool TXHeadlessLoop::CancelTimer(TXTimerId id) {
  std::lock_guard lock(mutex_);
  auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  dueOrder_.erase({it->second.Due, id});
  timers_.erase(it);
  return true;
}

void TXHeadlessLoop::Quit(int exitCode) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back({0, exitCode});
  }
  changed_.notify_all();
}

void TXHeadlessLoop::SetEventSink(IXLoopEventSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = sink;
}

IXLoopEventSink* TXHeadlessLoop::EventSink() const {
  std::lock_guard lock(mutex_);
  return sink_;
}

uint64_t TXHeadlessLoop::WakeUpsDelivered() const {
  std::lock_guard lock(mutex_);
  return wakeUpsDelivered_;
}

bool TXHeadlessLoop::QuitPending() const {
  std::lock_guard lock(mutex_);
  return std::any_of(events_.begin(), events_.end(), [](const Event& e) { return e.Client == 0; });
}

int TXHeadlessLoop::Run() {
  for (;;) {
    switch (RunOne()) {
      case Step::Ran:
        break;
      case Step::Quit: {
        const int exitCode = TakeQuit().value_or(0);
        NotifyQuit(exitCode);
        return exitCode;
      }
      case Step::Nothing:
        AnnounceIdle();
        WaitForWork(std::nullopt);
        break;
    }
  }
}

size_t TXHeadlessLoop::ProcessPending() {
  size_t count = 0;
  while (RunOne() == Step::Ran)
    ++count;
  return count;
}

bool TXHeadlessLoop::RunUntil(const std::function<bool()>& predicate,
                              std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    if (predicate()) return true;
    const Step step = RunOne();
    if (step == Step::Quit) return predicate();
    if (step == Step::Nothing) {
      if (Clock::now() >= deadline) return predicate();
      AnnounceIdle();
      WaitForWork(deadline);
    }
  }
}

TXHeadlessLoop::Step TXHeadlessLoop::RunOne() {
  std::unique_lock lock(mutex_);
  if (!events_.empty()) return RunNextEvent(lock);
  return RunDueTimer(lock) ? Step::Ran : Step::Nothing;
}

TXHeadlessLoop::Step TXHeadlessLoop::RunNextEvent(std::unique_lock<std::mutex>& lock) {
  const Event event = events_.front();
  if (event.Client == 0) return Step::Quit;
  events_.pop_front();
  auto it = clients_.find(event.Client);
  if (it == clients_.end()) return Step::Ran;
  it->second.Pending = false;
  IXLoopClient* receiver = it->second.Receiver;
  ++wakeUpsDelivered_;
  lock.unlock();
  Guarded([receiver] { receiver->LoopWake(); });
  return Step::Ran;
}

bool TXHeadlessLoop::RunDueTimer(std::unique_lock<std::mutex>& lock) {
  if (dueOrder_.empty() || dueOrder_.begin()->first > Clock::now()) return false;
  const TXTimerId id = dueOrder_.begin()->second;
  dueOrder_.erase(dueOrder_.begin());
  auto it = timers_.find(id);
  std::function<void()> callback = std::move(it->second.Callback);
  timers_.erase(it);
  lock.unlock();
  Guarded(callback);
  return true;
}

void TXHeadlessLoop::AnnounceIdle() {
  if (IXLoopEventSink* sink = EventSink()) Guarded([sink] { sink->LoopIdle(); });
}

void TXHeadlessLoop::Guarded(const std::function<void()>& callback) {
  try {
    callback();
  } catch (const std::exception& error) {
    if (IXLoopEventSink* sink = EventSink()) {
      sink->LoopException(std::current_exception());
    } else {
      RecordException(error);
    }
  } catch (...) {
    if (IXLoopEventSink* sink = EventSink()) sink->LoopException(std::current_exception());
  }
}

void TXHeadlessLoop::WaitForWork(std::optional<Clock::time_point> deadline) {
  std::unique_lock lock(mutex_);
  auto ready = [this] {
    return !events_.empty() || (!dueOrder_.empty() && dueOrder_.begin()->first <= Clock::now());
  };
  while (!ready()) {
    std::optional<Clock::time_point> until = deadline;
    if (!dueOrder_.empty()) {
      const Clock::time_point nextDue = dueOrder_.begin()->first;
      until = until ? std::min(*until, nextDue) : nextDue;
    }
    if (!until) {
      changed_.wait(lock);
    } else if (changed_.wait_until(lock, *until) == std::cv_status::timeout && deadline &&
               Clock::now() >= *deadline) {
      return;
    }
  }
}

std::optional<int> TXHeadlessLoop::TakeQuit() {
  std::lock_guard lock(mutex_);
  if (events_.empty() || events_.front().Client != 0) return std::nullopt;
  const int exitCode = events_.front().ExitCode;
  events_.pop_front();
  return exitCode;
}

void TXHeadlessLoop::NotifyQuit(int exitCode) {
  std::vector<TXLoopClientId> ids;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, client] : clients_)
      ids.push_back(id);
  }
  for (TXLoopClientId id : ids) {
    IXLoopClient* receiver = nullptr;
    {
      std::lock_guard lock(mutex_);
      auto it = clients_.find(id);
      if (it != clients_.end()) receiver = it->second.Receiver;
    }
    if (receiver) Guarded([receiver, exitCode] { receiver->LoopQuit(exitCode); });
  }
}

TXHeadlessLoop& ProcessHeadlessLoop() {
  static TXHeadlessLoop loop;
  return loop;
}

}  // namespace kova
