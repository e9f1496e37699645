#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <memory>

#include "framework/aspects.h"
#include "framework/error_data.h"
#include "persistence/lg_manager.h"
#include "ui/custom_form.h"

namespace kova {

// The outcome of a dialog's last run.
enum TXDialogResult : int32_t {
  drNothingShown = 0,
  drClosed = 1,
  drFailed = 2,
};

// A dialog component: it owns an options object and a data object, makes its form when it is
// executed, hands the form the options and the data, and frees the form as soon as it closes
// (unless free-on-close is switched off: the form is then made at once and kept). A form that
// gives data back is asked for it when it hides, unless the run failed. Anything thrown while the
// form is made or shown ends the run with drFailed (the reason in the thread's error record).
template <class TOptions, class TData>
class TXCustomDialog : public TXObject {
 public:
  explicit TXCustomDialog(QWidget* owner = nullptr) : owner_(owner) {
    LanguageManager().Register(TXAnyProcedure(this, "dialog", [this] { ApplyLanguage(); }));
  }
  ~TXCustomDialog() override {
    LanguageManager().UnregisterTarget(this);
    DispatchAspect<TXDestroyingAspect>(observable_);
    Close(drFailed);
    form_.reset();
  }

  TOptions& Options() { return options_; }
  const TOptions& Options() const { return options_; }
  TData& Data() { return data_; }
  const TData& Data() const { return data_; }
  int32_t Result() const { return result_; }
  TXObservable& Observable() { return observable_; }
  TXCustomForm* Form() const { return form_.get(); }

  bool FreeOnClose() const { return freeOnClose_; }
  void SetFreeOnClose(bool freeOnClose) {
    freeOnClose_ = freeOnClose;
    if (!freeOnClose && !form_) Guarded([this] { MakeTheForm(); });
    if (freeOnClose && form_ && !form_->isVisible()) FreeForm();
  }

  // Shows the form modally and answers the result; true as a Boolean only for drClosed. Does
  // nothing (drNothingShown) while the form is already shown modally.
  int32_t Execute() {
    if (form_ && form_->isModal() && form_->isVisible()) return drNothingShown;
    result_ = drNothingShown;
    Guarded([this] {
      if (!form_) MakeTheForm();
      ShowModal();
    });
    return result_;
  }
  bool ExecuteOk() { return Execute() == drClosed; }

  int32_t ShowModal() {
    if (!form_) return result_ = drNothingShown;
    HandOver();
    closedWith_ = drClosed;
    QPointer<TXCustomForm> form(form_.get());
    form->exec();
    return result_ = closedWith_;
  }

  // Shows the form without waiting; answers 1, or 0 when no form could be made.
  int32_t Show() {
    bool shown = false;
    Guarded([&] {
      if (!form_) MakeTheForm();
      HandOver();
      form_->show();
      shown = true;
    });
    return shown ? 1 : 0;
  }

  // Ends a run: the result is kept and the form closes (a modeless one hides).
  void Close(int32_t result) {
    if (!form_) return;
    closedWith_ = result;
    result_ = result;
    if (form_->isVisible()) form_->done(result == drClosed ? QDialog::Accepted : QDialog::Rejected);
  }

 protected:
  virtual std::unique_ptr<TXCustomForm> CreateForm(QWidget* owner) = 0;
  virtual void ApplyLanguage() {}

 private:
  template <class F>
  void Guarded(F&& step) {
    try {
      step();
    } catch (const std::exception& error) {
      RecordException(error);
      Failed();
    } catch (...) {
      Failed();
    }
  }

  void Failed() {
    Close(drFailed);
    result_ = drFailed;
    if (freeOnClose_ && form_ && !form_->isVisible()) FreeForm();
  }

  void MakeTheForm() {
    form_ = CreateForm(owner_);
    form_->Observable().AddObserver(
        AspectClassOf<TXHiddenAspect>(),
        TXHandler(this, "hidden", [this](AXNotification& n) { FormHidden(n); }));
  }

  void HandOver() {
    if (auto* receiver = dynamic_cast<IXReceiveOptions<TOptions>*>(form_.get()))
      receiver->ReceiveOptions(options_);
    if (auto* receiver = dynamic_cast<IXReceiveData<TData>*>(form_.get()))
      receiver->ReceiveData(data_);
  }

  void FormHidden(AXNotification& notification) {
    if (!notification.AspectAs<TXHiddenAspect>() || !form_) return;
    if (closedWith_ != drFailed) {
      if (auto* giver = dynamic_cast<IXGiveData<TData>*>(form_.get())) giver->GiveData(data_);
    }
    if (freeOnClose_) FreeForm();
  }

  // The form goes once the message being handled is done (it may be the form's own).
  void FreeForm() {
    TXCustomForm* form = form_.release();
    form->Observable().RemoveObserversOf(this);
    form->deleteLater();
  }

  QWidget* owner_;
  TOptions options_;
  TData data_;
  std::unique_ptr<TXCustomForm> form_;
  TXContainedObservable observable_{this};
  int32_t result_ = drNothingShown;
  int32_t closedWith_ = drClosed;
  bool freeOnClose_ = true;
};

// A dialog component whose form is of the class TForm.
template <class TForm, class TOptions, class TData>
class TXDialog : public TXCustomDialog<TOptions, TData> {
 public:
  using TXCustomDialog<TOptions, TData>::TXCustomDialog;

 protected:
  std::unique_ptr<TXCustomForm> CreateForm(QWidget* owner) override {
    return MakeForm<TForm>(owner);
  }
};

// The data of a dialog that exchanges none.
struct TXDialogData {};

}  // namespace kova
