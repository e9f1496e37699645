#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/event_loop.h"
#include "framework/gear.h"
#include "framework/handle_manager.h"
#include "framework/message_queue.h"

namespace kova {

// The hub of one application area: it owns gears and a queue of messages, and is its own
// container. Messages posted from any thread are delivered on the engine's thread (the thread
// that created it) when its hidden window wakes; a burst of posts costs one drain. Create and
// destroy an engine on its thread, after every thread that posts to it has ended.
class TXCustomEngine : public TXCustomGear, public IXMessageContainer {
 public:
  ~TXCustomEngine() override;

  // --- gears, owned; freed in reverse order when the engine goes
  TXCustomGear& AddGear(std::unique_ptr<TXCustomGear> gear);
  template <class G, class... Args>
  G& CreateGear(Args&&... args) {
    return static_cast<G&>(AddGear(std::make_unique<G>(std::forward<Args>(args)...)));
  }
  std::unique_ptr<TXCustomGear> RemoveGear(TXCustomGear& gear);
  void FreeGears();
  const std::vector<std::unique_ptr<TXCustomGear>>& Gears() const { return gears_; }
  // The first gear added with the name (case-sensitive), or nullptr.
  TXCustomGear* FindGear(std::string_view name) const;
  template <class G>
  G* FindGear(std::string_view name) const {
    return dynamic_cast<G*>(FindGear(name));
  }

  // The hooks of the engine, then those of every gear in list order.
  void Startup() override;
  void Shutdown() override;

  // --- messages
  void PostNotification(TXObservable& target, TXNotificationRef notification) override;
  // Queues, then drains on the calling thread (messages posted before are delivered first). From
  // another thread than the engine's it posts instead, so that handlers stay on the engine's
  // thread.
  void SendNotification(TXObservable& target, TXNotificationRef notification) override;
  void PurgeMessages(const TXObservable& target) override;
  void PostCommand(TXCustomGear& target, TXRef<TXCommand> command);
  void SendCommand(TXCustomGear& target, TXRef<TXCommand> command);
  // Runs the procedure on the engine's thread; purged with the key.
  void PostProcedure(const void* key, std::function<void()> procedure);
  void PurgeMessagesOf(const void* key);
  // Delivers every queued message now, on the calling thread.
  void ProcessMessages();
  size_t PendingMessages() const { return queue_.Count(); }

  // Synchronous hand-over: runs the procedure on the engine's thread and waits for it (at once on
  // the engine's thread). Answers false without running it when the application is terminating,
  // the engine drops it undelivered, or `abandonWhen` holds before it started. An exception of the
  // procedure reaches the caller.
  bool Invoke(const std::function<void()>& procedure,
              const std::function<bool()>& abandonWhen = {});

  bool IsEngineThread() const { return std::this_thread::get_id() == thread_; }
  // The hidden window, or 0 for an engine without one.
  TXWindowHandle GetHandle() const { return window_ ? window_->Handle() : 0; }
  // The hidden window's procedure: drains the queue on kWmEngineQueue.
  virtual void WndProc(TXWindowMessage& message);

 protected:
  // With a loop the engine gets a hidden window on it; without one, posted messages wait for
  // Send or ProcessMessages.
  explicit TXCustomEngine(IXEventLoop* loop, std::string name = {});

 private:
  void Enqueue(TXQueuedMessage message);
  void Deliver(TXQueuedMessage& message);

  std::thread::id thread_;
  TXMessageQueue queue_;
  std::atomic<bool> wakePosted_{false};
  std::vector<std::unique_ptr<TXCustomGear>> gears_;
  std::unique_ptr<TXHandleManager> window_;
};

// An engine with a hidden window on the default event loop (or the one given).
class TXEngine : public TXCustomEngine {
 public:
  explicit TXEngine(std::string name = {}) : TXCustomEngine(&DefaultEventLoop(), std::move(name)) {}
  explicit TXEngine(IXEventLoop& loop, std::string name = {})
      : TXCustomEngine(&loop, std::move(name)) {}
};

}  // namespace kova
