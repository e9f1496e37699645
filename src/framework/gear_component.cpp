#include "framework/gear_component.h"

#include <algorithm>

namespace kova::components {

namespace {
constexpr uint32_t kDoIntCommandDelayMs = 20;
constexpr uint32_t kOnIntCommandDelayMs = 50;
}  // namespace

TXGear::~TXGear() {
  std::lock_guard lock(timersMutex_);
  for (TXTimerId timer : timers_)
    DefaultEventLoop().CancelTimer(timer);
}

void TXGear::IntCommand(const TXIntCommand& command) {
  DoIntCommand(command);
  if (OnIntCommand) OnIntCommand(command);
}

void TXGear::PostIntCommand(const TXIntCommand& command) {
  StartDelivery(kDoIntCommandDelayMs, [this, command] { DoIntCommand(command); });
  if (OnIntCommand) {
    StartDelivery(kOnIntCommandDelayMs, [this, command] {
      if (OnIntCommand) OnIntCommand(command);
    });
  }
}

void TXGear::StartDelivery(uint32_t delayMs, std::function<void()> delivery) {
  // The lock covers the start, so that the timer's own id is recorded before it can fire.
  std::lock_guard lock(timersMutex_);
  auto timer = std::make_shared<TXTimerId>(0);
  *timer = DefaultEventLoop().StartTimer(
      delayMs, [this, timer, delivery = std::move(delivery)] { Deliver(timer, delivery); });
  timers_.push_back(*timer);
}

void TXGear::Deliver(const std::shared_ptr<TXTimerId>& timer,
                     const std::function<void()>& delivery) {
  {
    std::lock_guard lock(timersMutex_);
    std::erase(timers_, *timer);
  }
  delivery();
}

}  // namespace kova::components
