#include "framework/loop_clients.h"

#include <vector>

#include "framework/error_data.h"

namespace kova {

TXLoopClientId TXLoopClients::Add(IXLoopClient& client) {
  std::lock_guard lock(mutex_);
  const TXLoopClientId id = nextId_++;
  clients_.emplace(id, Client{&client});
  return id;
}

void TXLoopClients::Remove(TXLoopClientId id) {
  std::lock_guard lock(mutex_);
  clients_.erase(id);
}

bool TXLoopClients::RequestWake(TXLoopClientId id) {
  std::lock_guard lock(mutex_);
  auto it = clients_.find(id);
  if (it == clients_.end() || it->second.Pending) return false;
  it->second.Pending = true;
  return true;
}

void TXLoopClients::DeliverWake(TXLoopClientId id) {
  IXLoopClient* receiver = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    it->second.Pending = false;
    receiver = it->second.Receiver;
    ++wakeUpsDelivered_;
  }
  Guarded([receiver] { receiver->LoopWake(); });
}

void TXLoopClients::AnnounceQuit(int exitCode) {
  std::vector<TXLoopClientId> ids;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, client] : clients_)
      ids.push_back(id);
  }
  // A client told earlier may remove a later one.
  for (TXLoopClientId id : ids) {
    IXLoopClient* receiver = nullptr;
    {
      std::lock_guard lock(mutex_);
      auto it = clients_.find(id);
      if (it != clients_.end()) receiver = it->second.Receiver;
    }
    if (receiver) Guarded([receiver, exitCode] { receiver->LoopQuit(exitCode); });
  }
}

void TXLoopClients::Guarded(const std::function<void()>& callback) {
  try {
    callback();
  } catch (const std::exception& error) {
    if (IXLoopEventSink* sink = EventSink()) {
      sink->LoopException(std::current_exception());
    } else {
      RecordException(error);
    }
  } catch (...) {
    if (IXLoopEventSink* sink = EventSink()) sink->LoopException(std::current_exception());
  }
}

void TXLoopClients::AnnounceIdle() {
  if (IXLoopEventSink* sink = EventSink()) Guarded([sink] { sink->LoopIdle(); });
}

void TXLoopClients::SetEventSink(IXLoopEventSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = sink;
}

IXLoopEventSink* TXLoopClients::EventSink() const {
  std::lock_guard lock(mutex_);
  return sink_;
}

uint64_t TXLoopClients::WakeUpsDelivered() const {
  std::lock_guard lock(mutex_);
  return wakeUpsDelivered_;
}

}  // namespace kova
