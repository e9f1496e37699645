#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// Drives modal dialogs from inside their own event loop: the step runs once a modal widget of
// the class is shown, as a user would act on it. The step's timer is returned so that a step
// that may not be needed can be withdrawn (delete it).
namespace kova::test {

template <class W>
QTimer* WhenShown(std::function<void(W&)> step) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, step = std::move(step)] {
    auto* shown = qobject_cast<W*>(QApplication::activeModalWidget());
    if (!shown || !shown->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    step(*shown);
  });
  timer->start();
  return timer;
}

// Runs Qt's events until the condition holds.
inline void ProcessUntil(const std::function<bool()>& done) {
  while (!done())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace kova::test
