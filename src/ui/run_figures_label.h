#pragma once

#include <QLabel>
#include <QTimer>

#include "flow/run_figures_text.h"
#include "framework/rate_meter.h"

namespace kova {

class IXWorker;

// A line of a run's figures (bytes done of the total, files, speed, time left) on a running
// page. While it is shown and the watched run goes on, it reads the worker's figures twice a
// second; reading costs the run nothing. When the run has ended the last figures stay.
class TXRunFiguresLabel : public QLabel {
  Q_OBJECT

 public:
  static constexpr int kReadEveryMs = 500;

  TXRunFiguresLabel(TXRunFiguresKind kind, QWidget* parent = nullptr);

  // Watches the worker's run, which starts now or soon (nullptr: none); the label empties.
  void Watch(IXWorker* worker);
  // Reads the figures now; the time is the meter's (tests give their own).
  void Refresh(TXRateMeter::TXClock::time_point now = TXRateMeter::TXClock::now());

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Tick();

  TXRunFiguresKind kind_;
  IXWorker* worker_ = nullptr;
  TXRateMeter meter_;
  QTimer timer_;
};

}  // namespace kova
