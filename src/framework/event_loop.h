#pragma once

#include <cstdint>
#include <exception>
#include <functional>

// The wake-up service of the user-interface thread. Engines and other hidden windows register as
// clients; any thread may ask the loop to wake a client, and the loop then calls it on its own
// thread. Requests made while a wake-up is pending join it, so a burst of requests costs one call.
// The process runs one implementation: the headless loop of kova-cli and the tests, or the Qt
// loop of the wizard.
namespace kova {

using TXLoopClientId = uint64_t;
using TXTimerId = uint64_t;

// A receiver of wake-ups (a hidden window). Its calls run on the loop's thread.
class IXLoopClient {
 public:
  // One call for every burst of Wake requests made since the previous call began.
  virtual void LoopWake() = 0;
  // The loop ends on a quit request with this exit code.
  virtual void LoopQuit(int exitCode) = 0;

 protected:
  ~IXLoopClient() = default;
};

// Application-wide events of the loop; the message window routes them to its published events.
class IXLoopEventSink {
 public:
  // An exception escaped a wake-up or timer callback; the loop goes on.
  virtual void LoopException(std::exception_ptr error) = 0;
  // The loop has handled everything that was ready and is about to wait.
  virtual void LoopIdle() = 0;
  // The application gained (true) or lost (false) the user's focus.
  virtual void LoopActivation(bool active) = 0;
  // The application's windows were minimised (true) or restored (false).
  virtual void LoopMinimized(bool minimized) = 0;

 protected:
  ~IXLoopEventSink() = default;
};

class IXEventLoop {
 public:
  virtual ~IXEventLoop() = default;

  // Registers a client and answers its id, never 0. Clients are added and removed on the loop's
  // thread.
  virtual TXLoopClientId AddClient(IXLoopClient& client) = 0;
  // Drops the client's pending wake-up; the loop never calls it again.
  virtual void RemoveClient(TXLoopClientId id) = 0;
  // From any thread. An id that is not registered is ignored.
  virtual void Wake(TXLoopClientId id) = 0;

  // From any thread: calls the callback once, on the loop's thread, after at least delayMs.
  virtual TXTimerId StartTimer(uint32_t delayMs, std::function<void()> callback) = 0;
  // True when the timer had not fired yet; it then never fires.
  virtual bool CancelTimer(TXTimerId id) = 0;

  // From any thread: the loop ends with the exit code once the wake-ups requested before are
  // handled. The request is kept until the loop runs, whatever else is pending.
  virtual void Quit(int exitCode) = 0;

  // The receiver of the application-wide events, or nullptr. Set on the loop's thread.
  virtual void SetEventSink(IXLoopEventSink* sink) = 0;
  virtual IXLoopEventSink* EventSink() const = 0;
};

// The loop that engines use unless they are given one: the installed loop, else the process's
// headless loop.
IXEventLoop& DefaultEventLoop();
// Installs the process's loop (nullptr returns to the headless one). The wizard installs its Qt
// loop before the first engine or application object exists: existing clients stay with the loop
// they registered with.
void SetDefaultEventLoop(IXEventLoop* loop);

}  // namespace kova
