#include "ui/custom_form.h"

#include <QHideEvent>

#include "framework/aspects.h"
#include "persistence/lg_manager.h"

namespace kova {

TXCustomForm::TXCustomForm(QWidget* parent) : QDialog(parent), observable_(this) {}

TXCustomForm::~TXCustomForm() {
  LanguageManager().UnregisterTarget(this);
}

void TXCustomForm::AfterConstruction() {
  Initialize();
  LanguageManager().Register(this, &TXCustomForm::ApplyLanguage);
}

void TXCustomForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) DispatchAspect<TXHiddenAspect>(observable_);
}

}  // namespace kova
