#include "ui/qt_event_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <QTimerEvent>
#include <QWindow>
#include <algorithm>
#include <chrono>

#include "ui/qt_event_loop_objects.h"

namespace kova {

void TXQtLoopHost::WatchApplication() {
  if (watching_ || !QCoreApplication::instance()) return;
  watching_ = true;
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread())) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { loop_.clients_.AnnounceIdle(); });
  }
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(gui, &QGuiApplication::applicationStateChanged, this,
            &TXQtLoopHost::ApplicationStateChanged);
  }
  QCoreApplication::instance()->installEventFilter(this);
}

void TXQtLoopHost::ApplicationStateChanged(Qt::ApplicationState state) {
  const bool active = state == Qt::ApplicationActive;
  if (active == active_) return;
  active_ = active;
  if (IXLoopEventSink* sink = loop_.EventSink())
    loop_.clients_.Guarded([sink, active] { sink->LoopActivation(active); });
}

bool TXQtLoopHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    if (auto* window = qobject_cast<QWindow*>(watched); window && !window->transientParent()) {
      const bool minimized = window->windowStates().testFlag(Qt::WindowMinimized);
      if (minimized != minimized_) {
        minimized_ = minimized;
        if (IXLoopEventSink* sink = loop_.EventSink())
          loop_.clients_.Guarded([sink, minimized] { sink->LoopMinimized(minimized); });
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

bool TXQtLoopHost::event(QEvent* event) {
  if (event->type() == kWakeEventType) {
    loop_.clients_.DeliverWake(static_cast<TXWakeEvent*>(event)->Client);
    return true;
  }
  if (event->type() == kTimerStartEventType) {
    auto* start = static_cast<TXTimerStartEvent*>(event);
    loop_.StartQtTimer(start->Id, start->DelayMs);
    return true;
  }
  if (event->type() == kQuitEventType) {
    loop_.DeliverQuit(static_cast<TXQuitEvent*>(event)->ExitCode);
    return true;
  }
  return QObject::event(event);
}

void TXQtLoopHost::timerEvent(QTimerEvent* event) {
  killTimer(event->timerId());
  loop_.FireQtTimer(event->timerId());
}

TXQtEventLoop::TXQtEventLoop() : host_(std::make_unique<TXQtLoopHost>(*this)) {}

TXQtEventLoop::~TXQtEventLoop() = default;

TXLoopClientId TXQtEventLoop::AddClient(IXLoopClient& client) {
  return clients_.Add(client);
}

// Wake-ups already posted for the client find it gone and do nothing.
void TXQtEventLoop::RemoveClient(TXLoopClientId id) {
  clients_.Remove(id);
}

void TXQtEventLoop::Wake(TXLoopClientId id) {
  if (clients_.RequestWake(id)) QCoreApplication::postEvent(host_.get(), new TXWakeEvent(id));
}

TXTimerId TXQtEventLoop::StartTimer(uint32_t delayMs, std::function<void()> callback) {
  TXTimerId id;
  {
    std::lock_guard lock(mutex_);
    id = nextTimer_++;
    timers_.emplace(id, Timer{std::move(callback)});
  }
  if (QThread::currentThread() == host_->thread()) {
    StartQtTimer(id, delayMs);
  } else {
    QCoreApplication::postEvent(host_.get(), new TXTimerStartEvent(id, delayMs));
  }
  return id;
}

void TXQtEventLoop::StartQtTimer(TXTimerId id, uint32_t delayMs) {
  std::lock_guard lock(mutex_);
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second.QtTimer = host_->startTimer(std::chrono::milliseconds(delayMs), Qt::PreciseTimer);
}

void TXQtEventLoop::FireQtTimer(int qtTimer) {
  std::function<void()> callback;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(), [qtTimer](const auto& entry) {
      return entry.second.QtTimer == qtTimer;
    });
    if (it == timers_.end()) return;
    callback = std::move(it->second.Callback);
    timers_.erase(it);
  }
  clients_.Guarded(callback);
}

bool TXQtEventLoop::CancelTimer(TXTimerId id) {
  int qtTimer = 0;
  {
    std::lock_guard lock(mutex_);
    auto it = timers_.find(id);
    if (it == timers_.end()) return false;
    qtTimer = it->second.QtTimer;
    timers_.erase(it);
  }
  // Another thread leaves the Qt timer to fire into nothing; the loop's thread stops it now.
  if (qtTimer != 0 && QThread::currentThread() == host_->thread()) host_->killTimer(qtTimer);
  return true;
}

void TXQtEventLoop::Quit(int exitCode) {
  QCoreApplication::postEvent(host_.get(), new TXQuitEvent(exitCode));
}

void TXQtEventLoop::DeliverQuit(int exitCode) {
  clients_.AnnounceQuit(exitCode);
  QCoreApplication::exit(exitCode);
}

void TXQtEventLoop::SetEventSink(IXLoopEventSink* sink) {
  clients_.SetEventSink(sink);
  if (sink) host_->WatchApplication();
}

IXLoopEventSink* TXQtEventLoop::EventSink() const {
  return clients_.EventSink();
}

uint64_t TXQtEventLoop::WakeUpsDelivered() const {
  return clients_.WakeUpsDelivered();
}

TXQtEventLoop& InstallQtEventLoop() {
  static TXQtEventLoop loop;
  SetDefaultEventLoop(&loop);
  return loop;
}

}  // namespace kova
