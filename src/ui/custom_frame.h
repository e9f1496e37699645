#pragma once

#include <QWidget>
#include <memory>

#include "framework/observable.h"
#include "ui/subscriptions.h"

namespace kova {

class IXWorker;
class TXCustomEngine;

// The base of every page of the wizard: a widget with a contained observable. The observable is
// attached to the engine given at creation, else to the engine of the frame it is placed in,
// else to the application engine. Actions go out through SendAction; the wizard's page data
// arrives through InitPageData and SubmitPageData. Becoming visible and hidden call Shown and
// Hidden and dispatch TXShownAspect and TXHiddenAspect; destruction dispatches
// TXDestroyingAspect (the frame's destructor is its finalisation). The language manager calls
// ApplyLanguage, and so does getting a parent. Make frames with MakeFrame, which runs Initialize
// once the frame is complete; a frame made otherwise initialises when first shown or parented.
class TXCustomFrame : public QWidget, public TXInitializableObject {
  Q_OBJECT

 public:
  explicit TXCustomFrame(QWidget* parent = nullptr, TXCustomEngine* engine = nullptr);
  ~TXCustomFrame() override;

  TXObservable& Observable() { return observable_; }
  // The engine the frame's observable is attached to.
  TXCustomEngine* Engine() const;

  // Registers the frame on the source for an aspect class: TXActionAspect itself goes to
  // SendAction, every other class is passed on into the frame's observable.
  void Subscribe(TXObservable& source, const TXAspectClass& aspectClass);
  void Unsubscribe(TXObservable& source, const TXAspectClass& aspectClass);

  // Sends an action towards the engine: dispatches it on the frame's observable.
  virtual void SendAction(AXNotification& notification);
  // Page data from the wizard (TXDialogInitPageDataAspect and its kinds, TXDialogInitFolderAspect).
  virtual void InitPageData(AXNotification& /*notification*/) {}
  // The wizard asks for the page's data (TXDialogUpdatePageDataAspect).
  virtual void SubmitPageData(AXNotification& /*notification*/) {}
  virtual void ApplyLanguage() {}

  void AfterConstruction() override;

 protected:
  virtual void Initialize() {}
  virtual void Shown() {}
  virtual void Hidden() {}
  virtual void Resized() {}

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PageData(AXNotification& notification);
  void UpdateData(AXNotification& notification);
  void Forward(AXNotification& notification);
  void Action(AXNotification& notification);
  void EnsureInitialized();

  TXContainedObservable observable_;
  TXSubscriptions subscriptions_;
  bool initialized_ = false;
};

// Creates a frame and runs its Initialize.
template <class T, class... Args>
T* MakeFrame(Args&&... args) {
  auto* frame = new T(std::forward<Args>(args)...);
  frame->AfterConstruction();
  return frame;
}

// The base of the recovery pages: 624 x 356 with a padding of 8 left, 12 top, 8 right and 8
// bottom, scaled to the screen.
class TXCustomDRFrame : public TXCustomFrame {
  Q_OBJECT

 public:
  explicit TXCustomDRFrame(QWidget* parent = nullptr, TXCustomEngine* engine = nullptr);

  // The worker of the recovery engine's runs; nullptr without a recovery engine.
  IXWorker* RunWorker() const;
};

}  // namespace kova
