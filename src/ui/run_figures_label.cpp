#include "ui/run_figures_label.h"

#include "framework/worker_interfaces.h"
#include "ui/page_widgets.h"

namespace kova {

TXRunFiguresLabel::TXRunFiguresLabel(TXRunFiguresKind kind, QWidget* parent)
    : QLabel(parent), kind_(kind) {
  setObjectName(QStringLiteral("RunFigures"));
  setWordWrap(true);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  timer_.setInterval(kReadEveryMs);
  connect(&timer_, &QTimer::timeout, this, &TXRunFiguresLabel::Tick);
}

void TXRunFiguresLabel::Watch(IXWorker* worker) {
  worker_ = worker;
  meter_.Restart();
  // A worker whose run has ended holds its figures until the next run starts, which the page
  // that watches starts right after: they are read once that is done.
  if (worker_ && !worker_->IsTerminated()) {
    ShowFigures(worker_->Figures().Read());
  } else {
    SetLabelText(*this, QString());
  }
  if (worker_) RefreshSoon();
  if (worker_ && isVisible()) timer_.start();
}

void TXRunFiguresLabel::Refresh(TXRateMeter::TXClock::time_point now) {
  if (!worker_) {
    SetLabelText(*this, QString());
    return;
  }
  const TXRunFigures::TXSnapshot figures = worker_->Figures().Read();
  meter_.Read(now, figures.Done, figures.Total, figures.BadAreas);
  ShowFigures(figures);
}

void TXRunFiguresLabel::RefreshSoon() {
  if (refreshPending_) return;
  refreshPending_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshPending_ = false;
    if (worker_) ShowFigures(worker_->Figures().Read());
  });
}

void TXRunFiguresLabel::ShowFigures(const TXRunFigures::TXSnapshot& figures) {
  if (!worker_) {
    SetLabelText(*this, QString());
    return;
  }
  SetLabelText(*this, QString::fromStdString(RunFiguresText(kind_, figures, meter_)));
}

void TXRunFiguresLabel::Tick() {
  Refresh();
  if (!worker_ || worker_->IsTerminated()) timer_.stop();
}

void TXRunFiguresLabel::showEvent(QShowEvent* event) {
  QLabel::showEvent(event);
  if (worker_) timer_.start();
}

void TXRunFiguresLabel::hideEvent(QHideEvent* event) {
  timer_.stop();
  QLabel::hideEvent(event);
}

}  // namespace kova
