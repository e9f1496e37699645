#include "framework/msg_window.h"

namespace kova::components {

TXMsgWindow::TXMsgWindow(TXComponent* owner, std::string name)
    : TXEngineBox(owner, std::move(name)) {
  Window().Loop().SetEventSink(this);
}

TXMsgWindow::~TXMsgWindow() {
  IXEventLoop& loop = Window().Loop();
  if (loop.EventSink() == this) loop.SetEventSink(nullptr);
}

void TXMsgWindow::WndProc(TXWindowMessage& message) {
  bool handled = false;
  if (OnXMessage) OnXMessage(message, handled);
}

void TXMsgWindow::LoopException(std::exception_ptr error) {
  if (OnException) OnException(error);
}

void TXMsgWindow::LoopIdle() {
  Raise(OnIdle);
}

void TXMsgWindow::LoopActivation(bool active) {
  Raise(active ? OnActivate : OnDeactivate);
}

void TXMsgWindow::LoopMinimized(bool minimized) {
  Raise(minimized ? OnMinimize : OnRestore);
}

void TXMsgWindow::Raise(const TXNotifyEvent& event) {
  if (event) event();
}

}  // namespace kova::components
