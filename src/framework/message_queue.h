#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "framework/command.h"
#include "framework/notification.h"

namespace kova {

class TXObservable;

// One entry of an engine's queue: a notification for an observable, a command for a gear, or a
// procedure to run on the engine's thread. Key is the object whose destruction purges the entry.
struct TXQueuedMessage {
  const void* Key = nullptr;
  TXObservable* Target = nullptr;
  TXNotificationRef Notification;
  TXRef<TXCommand> Command;
  std::function<void()> Procedure;
};

// First-in first-out queue of messages; its lock is held only while entries are added, taken or
// purged.
class TXMessageQueue {
 public:
  void Push(TXQueuedMessage message);
  std::optional<TXQueuedMessage> Take();
  // Removes every entry with the key; the removed messages are released after the lock is left.
  void Purge(const void* key);
  void Clear();
  size_t Count() const;

 private:
  mutable std::mutex mutex_;
  std::deque<TXQueuedMessage> entries_;
};

}  // namespace kova
