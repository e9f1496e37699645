#include "ui/custom_frame.h"

#include <QEvent>
#include <QHideEvent>
#include <QShowEvent>

#include "flow/dr_engine.h"
#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "persistence/lg_manager.h"
#include "ui/screen_dpi.h"

namespace kova {

namespace {

IXMessageContainer* ContainerFor(QWidget* parent, TXCustomEngine* engine) {
  if (engine) return engine;
  for (QWidget* owner = parent; owner; owner = owner->parentWidget()) {
    if (auto* frame = dynamic_cast<TXCustomFrame*>(owner)) return frame->Observable().Container();
  }
  return &CoreApp().Engine();
}

}  // namespace

TXCustomFrame::TXCustomFrame(QWidget* parent, TXCustomEngine* engine)
    : QWidget(parent), observable_(this) {
  observable_.SetContainer(ContainerFor(parent, engine));
  observable_.AddObserver<TXDialogInitPageDataAspect>(this, &TXCustomFrame::PageData);
  observable_.AddObserver<TXDialogInitFolderAspect>(this, &TXCustomFrame::PageData);
  observable_.AddObserver<TXDialogUpdatePageDataAspect>(this, &TXCustomFrame::UpdateData);
}

TXCustomFrame::~TXCustomFrame() {
  LanguageManager().UnregisterTarget(this);
  DispatchAspect<TXDestroyingAspect>(observable_);
}

TXCustomEngine* TXCustomFrame::Engine() const {
  return dynamic_cast<TXCustomEngine*>(observable_.Container());
}

void TXCustomFrame::AfterConstruction() {
  EnsureInitialized();
}

void TXCustomFrame::EnsureInitialized() {
  if (initialized_) return;
  initialized_ = true;
  Initialize();
  LanguageManager().Register(this, &TXCustomFrame::ApplyLanguage);
}

void TXCustomFrame::Subscribe(TXObservable& source, const TXAspectClass& aspectClass) {
  const bool action = &aspectClass == &AspectClassOf<TXActionAspect>();
  subscriptions_.Add(
      source, aspectClass,
      action ? TXHandler(this, &TXCustomFrame::Action) : TXHandler(this, &TXCustomFrame::Forward));
}

void TXCustomFrame::Unsubscribe(TXObservable& source, const TXAspectClass& aspectClass) {
  subscriptions_.Remove(source, aspectClass);
}

void TXCustomFrame::SendAction(AXNotification& notification) {
  observable_.Dispatch(notification);
}

void TXCustomFrame::Action(AXNotification& notification) {
  SendAction(notification);
}

void TXCustomFrame::Forward(AXNotification& notification) {
  observable_.Dispatch(notification);
}

void TXCustomFrame::PageData(AXNotification& notification) {
  InitPageData(notification);
}

void TXCustomFrame::UpdateData(AXNotification& notification) {
  SubmitPageData(notification);
}

void TXCustomFrame::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window being restored from the task bar is no page change.
  if (event->spontaneous()) return;
  EnsureInitialized();
  Shown();
  DispatchAspect<TXShownAspect>(observable_);
}

void TXCustomFrame::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (event->spontaneous()) return;
  Hidden();
  DispatchAspect<TXHiddenAspect>(observable_);
}

void TXCustomFrame::resizeEvent(QResizeEvent* event) {
  Resized();
  QWidget::resizeEvent(event);
}

void TXCustomFrame::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ParentChange && parentWidget()) {
    EnsureInitialized();
    ApplyLanguage();
  }
}

TXCustomDRFrame::TXCustomDRFrame(QWidget* parent, TXCustomEngine* engine)
    : TXCustomFrame(parent, engine) {
  resize(ScaledX(624), ScaledY(356));
  setContentsMargins(ScaledX(8), ScaledY(12), ScaledX(8), ScaledY(8));
}

IXWorker* TXCustomDRFrame::RunWorker() const {
  auto* engine = dynamic_cast<TXDREngine*>(Engine());
  return engine ? &engine->WorkerGear().Worker() : nullptr;
}

}  // namespace kova
