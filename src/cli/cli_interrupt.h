#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

#include "framework/engine.h"

namespace kova::cli {

// Turns Ctrl+C into a procedure run on the engine's thread while the object lives. SIGINT is
// blocked in the creating thread (and every thread it starts afterwards) and taken by a thread of
// its own, so nothing happens inside a signal handler. Create it before the recovery thread.
class TXCliInterrupt {
 public:
  TXCliInterrupt(TXEngine& engine, std::function<void()> onInterrupt);
  ~TXCliInterrupt();
  TXCliInterrupt(const TXCliInterrupt&) = delete;
  TXCliInterrupt& operator=(const TXCliInterrupt&) = delete;

  bool Interrupted() const { return interrupted_; }

 private:
  void Watch();

  TXEngine& engine_;
  std::function<void()> onInterrupt_;
  sigset_t signals_{};
  sigset_t previous_{};
  std::thread watcher_;
  std::atomic<bool> interrupted_{false};
};

}  // namespace kova::cli
