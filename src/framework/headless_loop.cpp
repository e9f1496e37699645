#include "framework/headless_loop.h"

#include <algorithm>

namespace kova {

TXLoopClientId TXHeadlessLoop::AddClient(IXLoopClient& client) {
  return clients_.Add(client);
}

void TXHeadlessLoop::RemoveClient(TXLoopClientId id) {
  clients_.Remove(id);
  std::lock_guard lock(mutex_);
  std::erase_if(events_, [id](const Event& e) { return e.Client == id; });
}

void TXHeadlessLoop::Wake(TXLoopClientId id) {
  if (!clients_.RequestWake(id)) return;
  {
    std::lock_guard lock(mutex_);
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
  clients_.SetEventSink(sink);
}

IXLoopEventSink* TXHeadlessLoop::EventSink() const {
  return clients_.EventSink();
}

uint64_t TXHeadlessLoop::WakeUpsDelivered() const {
  return clients_.WakeUpsDelivered();
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
        clients_.AnnounceQuit(exitCode);
        return exitCode;
      }
      case Step::Nothing:
        clients_.AnnounceIdle();
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
      clients_.AnnounceIdle();
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
  lock.unlock();
  clients_.DeliverWake(event.Client);
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
  clients_.Guarded(callback);
  return true;
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

TXHeadlessLoop& ProcessHeadlessLoop() {
  static TXHeadlessLoop loop;
  return loop;
}

}  // namespace kova
