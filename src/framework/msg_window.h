#pragma once

#include <exception>
#include <functional>

#include "framework/event_loop.h"
#include "framework/gear_box.h"

namespace kova::components {

using TXHandledMessageEvent = std::function<void(TXWindowMessage& message, bool& handled)>;
using TXExceptionEvent = std::function<void(std::exception_ptr error)>;
using TXNotifyEvent = std::function<void()>;

// The router of the application-wide events: while it exists it receives the event loop's
// exceptions, idle turns, activation and minimisation and passes each to its event when assigned
// (an exception without OnException is dropped). Messages of its hidden window that nothing else
// handles go to OnXMessage.
class TXMsgWindow : public TXEngineBox, private IXLoopEventSink {
 public:
  explicit TXMsgWindow(TXComponent* owner = nullptr, std::string name = {});
  // Gives the loop's events back.
  ~TXMsgWindow() override;

  TXHandledMessageEvent OnXMessage;
  TXExceptionEvent OnException;
  TXNotifyEvent OnIdle;
  TXNotifyEvent OnActivate;
  TXNotifyEvent OnDeactivate;
  TXNotifyEvent OnMinimize;
  TXNotifyEvent OnRestore;

 protected:
  void WndProc(TXWindowMessage& message) override;

 private:
  void LoopException(std::exception_ptr error) override;
  void LoopIdle() override;
  void LoopActivation(bool active) override;
  void LoopMinimized(bool minimized) override;
  static void Raise(const TXNotifyEvent& event);
};

}  // namespace kova::components
