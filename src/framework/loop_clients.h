#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "framework/event_loop.h"

namespace kova {

// What every event loop keeps the same way: its clients with their pending wake-ups, the calls to
// them, and the application-wide event sink. Any thread may request a wake-up; the loop's thread
// delivers it, calling the client outside the lock. A request made while one is pending joins it.
class TXLoopClients {
 public:
  // Ids start at 1 and are never given twice.
  TXLoopClientId Add(IXLoopClient& client);
  void Remove(TXLoopClientId id);

  // Marks a wake-up of the client as pending. True when the loop must schedule its delivery: the
  // client is registered and had none pending.
  bool RequestWake(TXLoopClientId id);
  // Clears the pending mark and calls the client; nothing for a client that is gone.
  void DeliverWake(TXLoopClientId id);
  // Tells the clients, in the order they were added, that the loop ends with the exit code.
  void AnnounceQuit(int exitCode);
  // Runs a callback of the loop. An exception goes to the event sink (without one, into the
  // thread's error record) and the loop goes on.
  void Guarded(const std::function<void()>& callback);
  // Tells the event sink, if any, that the loop is about to wait.
  void AnnounceIdle();

  void SetEventSink(IXLoopEventSink* sink);
  IXLoopEventSink* EventSink() const;
  // Wake-up calls made to clients so far.
  uint64_t WakeUpsDelivered() const;

 private:
  struct Client {
    IXLoopClient* Receiver;
    bool Pending = false;
  };

  mutable std::mutex mutex_;
  std::map<TXLoopClientId, Client> clients_;
  TXLoopClientId nextId_ = 1;
  uint64_t wakeUpsDelivered_ = 0;
  IXLoopEventSink* sink_ = nullptr;
};

}  // namespace kova
