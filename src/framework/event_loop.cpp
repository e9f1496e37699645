#include "framework/event_loop.h"

#include <atomic>

#include "framework/headless_loop.h"

namespace kova {

namespace {
std::atomic<IXEventLoop*> installedLoop{nullptr};
}  // namespace

IXEventLoop& DefaultEventLoop() {
  if (IXEventLoop* loop = installedLoop.load(std::memory_order_acquire)) return *loop;
  return ProcessHeadlessLoop();
}

void SetDefaultEventLoop(IXEventLoop* loop) {
  installedLoop.store(loop, std::memory_order_release);
}

}  // namespace kova
