#include "cli/cli_interrupt.h"

#include <pthread.h>

namespace kova::cli {

namespace {

// Sent to the watcher by the destructor to end it.
constexpr int kStopSignal = SIGUSR1;

}  // namespace

TXCliInterrupt::TXCliInterrupt(TXEngine& engine, std::function<void()> onInterrupt)
    : engine_(engine), onInterrupt_(std::move(onInterrupt)) {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, kStopSignal);
  pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
  watcher_ = std::thread([this] { Watch(); });
}

TXCliInterrupt::~TXCliInterrupt() {
  pthread_kill(watcher_.native_handle(), kStopSignal);
  watcher_.join();
  engine_.PurgeMessagesOf(this);
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void TXCliInterrupt::Watch() {
  for (;;) {
    int signal = 0;
    if (sigwait(&signals_, &signal) != 0 || signal == kStopSignal) return;
    interrupted_ = true;
    engine_.PostProcedure(this, onInterrupt_);
  }
}

}  // namespace kova::cli
