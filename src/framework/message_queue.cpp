#include "framework/message_queue.h"

namespace kova {

void TXMessageQueue::Push(TXQueuedMessage message) {
  std::lock_guard lock(mutex_);
  entries_.push_back(std::move(message));
}

std::optional<TXQueuedMessage> TXMessageQueue::Take() {
  std::lock_guard lock(mutex_);
  if (entries_.empty()) return std::nullopt;
  TXQueuedMessage message = std::move(entries_.front());
  entries_.pop_front();
  return message;
}

void TXMessageQueue::Purge(const void* key) {
  std::deque<TXQueuedMessage> removed;
  {
    std::lock_guard lock(mutex_);
    std::deque<TXQueuedMessage> kept;
    for (TXQueuedMessage& entry : entries_) {
      (entry.Key == key ? removed : kept).push_back(std::move(entry));
    }
    entries_.swap(kept);
  }
}

void TXMessageQueue::Clear() {
  std::deque<TXQueuedMessage> removed;
  {
    std::lock_guard lock(mutex_);
    removed.swap(entries_);
  }
}

size_t TXMessageQueue::Count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace kova
