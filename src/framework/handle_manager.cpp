#include "framework/handle_manager.h"

#include <algorithm>
#include <unordered_map>

namespace kova {

namespace {

// Live windows by handle, so that a post to a window that is gone finds nothing.
class WindowRegistry {
 public:
  static WindowRegistry& Instance() {
    static WindowRegistry registry;
    return registry;
  }

  TXWindowHandle Add(TXHandleManager& window) {
    std::lock_guard lock(mutex_);
    const TXWindowHandle handle = next_++;
    windows_.emplace(handle, &window);
    return handle;
  }

  void Remove(TXWindowHandle handle) {
    std::lock_guard lock(mutex_);
    windows_.erase(handle);
  }

  bool Post(TXWindowHandle handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(handle);
    if (it == windows_.end()) return false;
    it->second->Post(msg, wParam, lParam);
    return true;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<TXWindowHandle, TXHandleManager*> windows_;
  TXWindowHandle next_ = 1;
};

}  // namespace

TXHandleManager::TXHandleManager(TXWindowProc procedure, IXEventLoop& loop)
    : procedure_(std::move(procedure)),
      loop_(loop),
      client_(loop.AddClient(*this)),
      handle_(WindowRegistry::Instance().Add(*this)) {}

TXHandleManager::~TXHandleManager() {
  WindowRegistry::Instance().Remove(handle_);
  loop_.RemoveClient(client_);
}

void TXHandleManager::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back({msg, wParam, lParam, 0});
  }
  loop_.Wake(client_);
}

intptr_t TXHandleManager::Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  TXWindowMessage message{msg, wParam, lParam, 0};
  procedure_(message);
  return message.Result;
}

size_t TXHandleManager::RemovePending(uint32_t msg) {
  std::lock_guard lock(mutex_);
  return std::erase_if(pending_, [msg](const TXWindowMessage& m) { return m.Msg == msg; });
}

bool TXHandleManager::TakeNext(TXWindowMessage& message) {
  std::lock_guard lock(mutex_);
  if (pending_.empty()) return false;
  message = pending_.front();
  pending_.pop_front();
  return true;
}

void TXHandleManager::LoopWake() {
  // Only what is waiting now: messages posted by the procedure come with the next wake-up.
  size_t count;
  {
    std::lock_guard lock(mutex_);
    count = pending_.size();
  }
  TXWindowMessage message;
  try {
    while (count-- > 0 && TakeNext(message))
      procedure_(message);
  } catch (...) {
    // The messages behind the failing one are handled by the next wake-up.
    loop_.Wake(client_);
    throw;
  }
}

void TXHandleManager::LoopQuit(int exitCode) {
  Send(kWmQuit, static_cast<uintptr_t>(exitCode));
}

bool PostWindowMessage(TXWindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return window != 0 && WindowRegistry::Instance().Post(window, msg, wParam, lParam);
}

}  // namespace kova
