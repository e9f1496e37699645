#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "framework/event_loop.h"
#include "framework/loop_clients.h"

namespace kova {

// The event loop without a window system, for kova-cli and the tests. Whichever thread runs it is
// the loop's thread. Wake-ups and quit requests are handled in the order they were made; due
// timers after the wake-ups that are ready.
class TXHeadlessLoop final : public IXEventLoop {
 public:
  TXHeadlessLoop() = default;
  ~TXHeadlessLoop() override = default;
  TXHeadlessLoop(const TXHeadlessLoop&) = delete;
  TXHeadlessLoop& operator=(const TXHeadlessLoop&) = delete;

  TXLoopClientId AddClient(IXLoopClient& client) override;
  void RemoveClient(TXLoopClientId id) override;
  void Wake(TXLoopClientId id) override;
  TXTimerId StartTimer(uint32_t delayMs, std::function<void()> callback) override;
  bool CancelTimer(TXTimerId id) override;
  void Quit(int exitCode) override;
  void SetEventSink(IXLoopEventSink* sink) override;
  IXLoopEventSink* EventSink() const override;

  // Runs until a quit request is met; the clients hear LoopQuit, then the exit code is answered.
  int Run();
  // Handles the wake-ups and due timers that are ready, without waiting, up to a pending quit
  // request (which stays for Run). Answers how many callbacks ran.
  size_t ProcessPending();
  // Handles events until the predicate holds, the timeout passes or a quit request is next.
  // Answers the predicate's last value.
  bool RunUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout);

  // Wake-up calls made to clients so far.
  uint64_t WakeUpsDelivered() const;
  bool QuitPending() const;

 private:
  using Clock = std::chrono::steady_clock;
  // A wake-up of a client, or a quit request when Client is 0.
  struct Event {
    TXLoopClientId Client = 0;
    int ExitCode = 0;
  };
  struct Timer {
    Clock::time_point Due;
    std::function<void()> Callback;
  };
  enum class Step { Ran, Quit, Nothing };

  // Runs the next ready wake-up or due timer.
  Step RunOne();
  Step RunNextEvent(std::unique_lock<std::mutex>& lock);
  bool RunDueTimer(std::unique_lock<std::mutex>& lock);
  // Waits until an event arrives, a timer falls due or the deadline passes.
  void WaitForWork(std::optional<Clock::time_point> deadline);
  std::optional<int> TakeQuit();

  TXLoopClients clients_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> events_;
  std::map<TXTimerId, Timer> timers_;
  std::set<std::pair<Clock::time_point, TXTimerId>> dueOrder_;
  TXTimerId nextTimer_ = 1;
};

// The process's headless loop (the default loop unless another is installed).
TXHeadlessLoop& ProcessHeadlessLoop();

}  // namespace kova
