#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>

#include "framework/event_loop.h"

// The Qt objects behind TXQtEventLoop. They live on the loop's thread.
namespace kova {

class TXQtEventLoop;

inline const QEvent::Type kWakeEventType = static_cast<QEvent::Type>(QEvent::User + 200);
inline const QEvent::Type kTimerStartEventType = static_cast<QEvent::Type>(QEvent::User + 201);
inline const QEvent::Type kQuitEventType = static_cast<QEvent::Type>(QEvent::User + 202);

// Asks the loop's thread to call a client.
class TXWakeEvent : public QEvent {
 public:
  explicit TXWakeEvent(TXLoopClientId client) : QEvent(kWakeEventType), Client(client) {}
  TXLoopClientId Client;
};

// Asks the loop's thread to start a timer.
class TXTimerStartEvent : public QEvent {
 public:
  TXTimerStartEvent(TXTimerId id, uint32_t delayMs)
      : QEvent(kTimerStartEventType), Id(id), DelayMs(delayMs) {}
  TXTimerId Id;
  uint32_t DelayMs;
};

class TXQuitEvent : public QEvent {
 public:
  explicit TXQuitEvent(int exitCode) : QEvent(kQuitEventType), ExitCode(exitCode) {}
  int ExitCode;
};

// Delivers the wake-ups, starts and fires the timers, carries quit requests, and turns the
// application's idle turns, activation and minimisation into the loop's events.
class TXQtLoopHost : public QObject {
 public:
  explicit TXQtLoopHost(TXQtEventLoop& loop) : loop_(loop) {}
  // Connects the application-wide signals and the event filter (once there is an application).
  void WatchApplication();

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void ApplicationStateChanged(Qt::ApplicationState state);

  TXQtEventLoop& loop_;
  bool watching_ = false;
  bool active_ = false;
  bool minimized_ = false;
};

}  // namespace kova
