#pragma once

#include <QLabel>
#include <QTimer>

#include "flow/run_figures_text.h"
#include "framework/rate_meter.h"

namespace kova {

class IXWorker;

// A line of a run's figures (bytes done of the total, files, speed, time left) on a running
// page. It shows them from the moment it watches a run, and while it is shown and the run goes
// on it reads the worker's figures twice a second, and soon after each file the page adds, so
// that the count never lags behind the thumbnails; reading costs the run nothing. When the run
// has ended the last figures stay.
class TXRunFiguresLabel : public QLabel {
  Q_OBJECT

 public:
  static constexpr int kReadEveryMs = 500;

  TXRunFiguresLabel(TXRunFiguresKind kind, QWidget* parent = nullptr);

  // Watches the worker's run, which is running or starts before the events waiting now are
  // handled (nullptr: none), and shows its figures from then on.
  void Watch(IXWorker* worker);
  // Reads the figures now; the time is the meter's (tests give their own).
  void Refresh(TXRateMeter::TXClock::time_point now = TXRateMeter::TXClock::now());
  // Shows the figures once the events waiting now are handled (a burst of files costs one
  // reading), without a reading of the speed.
  void RefreshSoon();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Tick();
  void ShowFigures(const TXRunFigures::TXSnapshot& figures);

  TXRunFiguresKind kind_;
  IXWorker* worker_ = nullptr;
  TXRateMeter meter_;
  QTimer timer_;
  bool refreshPending_ = false;
};

}  // namespace kova
