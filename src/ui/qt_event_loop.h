#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "framework/event_loop.h"
#include "framework/loop_clients.h"

namespace kova {

class TXQtLoopHost;

// The engines' wake-up on Qt's event loop. A wake request posts one event naming the client
// (an engine's hidden window) to the loop's host object; requests made while one is pending join
// it. Qt delivers posted events in posting order, so wake-ups, timers' starts and quit requests
// keep the order in which they were made. Timers are Qt timers of the loop's thread; a quit
// request tells every client, then ends the loop with QCoreApplication::exit. Create it on the
// thread that runs Qt's event loop, after the application object.
class TXQtEventLoop final : public IXEventLoop {
 public:
  TXQtEventLoop();
  ~TXQtEventLoop() override;
  TXQtEventLoop(const TXQtEventLoop&) = delete;
  TXQtEventLoop& operator=(const TXQtEventLoop&) = delete;

  TXLoopClientId AddClient(IXLoopClient& client) override;
  void RemoveClient(TXLoopClientId id) override;
  void Wake(TXLoopClientId id) override;
  TXTimerId StartTimer(uint32_t delayMs, std::function<void()> callback) override;
  bool CancelTimer(TXTimerId id) override;
  void Quit(int exitCode) override;
  void SetEventSink(IXLoopEventSink* sink) override;
  IXLoopEventSink* EventSink() const override;

  // Wake-up calls made to clients so far.
  uint64_t WakeUpsDelivered() const;

 private:
  friend class TXQtLoopHost;

  struct Timer {
    std::function<void()> Callback;
    int QtTimer = 0;  // 0 until the loop's thread has started it
  };

  void StartQtTimer(TXTimerId id, uint32_t delayMs);
  void FireQtTimer(int qtTimer);
  void DeliverQuit(int exitCode);

  TXLoopClients clients_;
  mutable std::mutex mutex_;
  std::map<TXTimerId, Timer> timers_;
  TXTimerId nextTimer_ = 1;
  std::unique_ptr<TXQtLoopHost> host_;
};

// Creates the process's Qt loop once and makes it the default loop of every engine. Call it on
// the main thread after the QApplication exists and before the first use of CoreApp(): the loop
// then outlives the process-wide objects that register with it.
TXQtEventLoop& InstallQtEventLoop();

}  // namespace kova
