#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "framework/event_loop.h"
#include "framework/managed_object.h"
#include "framework/window_message.h"

namespace kova {

using TXWindowProc = std::function<void(TXWindowMessage&)>;

// A hidden window: it receives messages posted from any thread and hands them to its procedure on
// the loop's thread, in posting order. Create and destroy it on the loop's thread.
class TXHandleManager final : public TXObject, private IXLoopClient {
 public:
  explicit TXHandleManager(TXWindowProc procedure, IXEventLoop& loop = DefaultEventLoop());
  ~TXHandleManager() override;

  TXWindowHandle Handle() const { return handle_; }
  IXEventLoop& Loop() const { return loop_; }

  // From any thread: queues the message and wakes the loop.
  void Post(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
  // Calls the procedure now, on the calling thread, and answers the message's result.
  intptr_t Send(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
  // Takes the waiting copies of a message out of the window's queue; answers how many.
  size_t RemovePending(uint32_t msg);

 private:
  void LoopWake() override;
  void LoopQuit(int exitCode) override;
  bool TakeNext(TXWindowMessage& message);

  TXWindowProc procedure_;
  IXEventLoop& loop_;
  TXLoopClientId client_;
  TXWindowHandle handle_;
  std::mutex mutex_;
  std::deque<TXWindowMessage> pending_;
};

// Posts to the window with the handle, from any thread; false when no such window exists.
bool PostWindowMessage(TXWindowHandle window, uint32_t msg, uintptr_t wParam = 0,
                       intptr_t lParam = 0);

}  // namespace kova
