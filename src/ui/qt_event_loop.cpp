#include "ui/qt_event_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <QTimerEvent>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <vector>

#include "framework/error_data.h"
#include "ui/qt_event_loop_objects.h"

namespace kova {

bool TXQtLoopReceiver::event(QEvent* event) {
  if (event->type() != kWakeEventType) return QObject::event(event);
  loop_.DeliverWake(id_);
  return true;
}

void TXQtLoopHost::WatchApplication() {
  if (watching_ || !QCoreApplication::instance()) return;
  watching_ = true;
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread())) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
      if (IXLoopEventSink* sink = loop_.EventSink()) loop_.Guarded([sink] { sink->LoopIdle(); });
    });
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
    loop_.Guarded([sink, active] { sink->LoopActivation(active); });
}

bool TXQtLoopHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    if (auto* window = qobject_cast<QWindow*>(watched); window && !window->transientParent()) {
      const bool minimized = window->windowStates().testFlag(Qt::WindowMinimized);
      if (minimized != minimized_) {
        minimized_ = minimized;
        if (IXLoopEventSink* sink = loop_.EventSink())
          loop_.Guarded([sink, minimized] { sink->LoopMinimized(minimized); });
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

bool TXQtLoopHost::event(QEvent* event) {
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

TXQtEventLoop::~TXQtEventLoop() {
  std::lock_guard lock(mutex_);
  for (auto& [id, client] : clients_)
    delete client.Object;
  clients_.clear();
}

TXLoopClientId TXQtEventLoop::AddClient(IXLoopClient& client) {
  std::lock_guard lock(mutex_);
  const TXLoopClientId id = nextClient_++;
  clients_.emplace(id, Client{&client, new TXQtLoopReceiver(*this, id)});
  return id;
}

void TXQtEventLoop::RemoveClient(TXLoopClientId id) {
  TXQtLoopReceiver* receiver = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    receiver = it->second.Object;
    clients_.erase(it);
  }
  // A client may go while its own wake-up runs: the receiver is then still inside its event
  // handler and is deleted once the loop comes back to it.
  if (QCoreApplication::instance()) {
    QCoreApplication::removePostedEvents(receiver, kWakeEventType);
    receiver->deleteLater();
  } else {
    delete receiver;
  }
}

void TXQtEventLoop::Wake(TXLoopClientId id) {
  std::lock_guard lock(mutex_);
  auto it = clients_.find(id);
  if (it == clients_.end() || it->second.Pending) return;
  it->second.Pending = true;
  QCoreApplication::postEvent(it->second.Object, new QEvent(kWakeEventType));
}

void TXQtEventLoop::DeliverWake(TXLoopClientId id) {
  IXLoopClient* receiver = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    // Further copies are taken out before the flag drops, so that a request made from now on
    // posts a new event that nothing removes.
    QCoreApplication::removePostedEvents(it->second.Object, kWakeEventType);
    it->second.Pending = false;
    receiver = it->second.Receiver;
    ++wakeUpsDelivered_;
  }
  Guarded([receiver] { receiver->LoopWake(); });
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
  Guarded(callback);
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
  std::vector<TXLoopClientId> ids;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, client] : clients_)
      ids.push_back(id);
  }
  for (TXLoopClientId id : ids) {
    IXLoopClient* receiver = nullptr;
    {
      std::lock_guard lock(mutex_);
      auto it = clients_.find(id);
      if (it != clients_.end()) receiver = it->second.Receiver;
    }
    if (receiver) Guarded([receiver, exitCode] { receiver->LoopQuit(exitCode); });
  }
  QCoreApplication::exit(exitCode);
}

void TXQtEventLoop::SetEventSink(IXLoopEventSink* sink) {
  {
    std::lock_guard lock(mutex_);
    sink_ = sink;
  }
  if (sink) host_->WatchApplication();
}

IXLoopEventSink* TXQtEventLoop::EventSink() const {
  std::lock_guard lock(mutex_);
  return sink_;
}

uint64_t TXQtEventLoop::WakeUpsDelivered() const {
  std::lock_guard lock(mutex_);
  return wakeUpsDelivered_;
}

void TXQtEventLoop::Guarded(const std::function<void()>& callback) {
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

TXQtEventLoop& InstallQtEventLoop() {
  static TXQtEventLoop loop;
  SetDefaultEventLoop(&loop);
  return loop;
}

}  // namespace kova
