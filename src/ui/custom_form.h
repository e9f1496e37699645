#pragma once

#include <QDialog>

#include "framework/observable.h"

namespace kova {

// The form of a dialog component. Its hooks mirror the pages': Initialize once the form is
// complete (MakeForm), ApplyLanguage registered with the language manager, and the form's
// destructor as its finalisation. Hiding the form dispatches TXHiddenAspect on its observable.
class TXCustomForm : public QDialog, public TXInitializableObject {
  Q_OBJECT

 public:
  explicit TXCustomForm(QWidget* parent = nullptr);
  ~TXCustomForm() override;

  TXObservable& Observable() { return observable_; }
  virtual void ApplyLanguage() {}
  void AfterConstruction() override;

 protected:
  virtual void Initialize() {}
  void hideEvent(QHideEvent* event) override;

 private:
  TXContainedObservable observable_;
};

// Creates a form and runs its Initialize.
template <class T, class... Args>
std::unique_ptr<T> MakeForm(Args&&... args) {
  auto form = std::make_unique<T>(std::forward<Args>(args)...);
  form->AfterConstruction();
  return form;
}

// What a form implements to be handed a dialog's options and data, and to hand data back.
template <class TOptions>
class IXReceiveOptions {
 public:
  virtual void ReceiveOptions(const TOptions& options) = 0;

 protected:
  ~IXReceiveOptions() = default;
};

template <class TData>
class IXReceiveData {
 public:
  virtual void ReceiveData(const TData& data) = 0;

 protected:
  ~IXReceiveData() = default;
};

template <class TData>
class IXGiveData {
 public:
  virtual void GiveData(TData& data) = 0;

 protected:
  ~IXGiveData() = default;
};

}  // namespace kova
