#include "app/gui/app_wizard.h"

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "persistence/lg_builtin.h"

namespace kova {

TXAppWizard::TXAppWizard() {
  CoreApp().Engine().AddObserver<TXAppTerminatedAspect>(this, &TXAppWizard::Terminated);
  LgSelector().OnLanguageChanged = [this] {
    if (OnLanguageChanged) OnLanguageChanged();
  };
}

TXAppWizard::~TXAppWizard() {
  LgSelector().OnLanguageChanged = nullptr;
  CoreApp().Engine().RemoveObserversOf(this);
}

bool TXAppWizard::StartLanguage(uint32_t lgID) {
  return UseBuiltInLanguage(lgID);
}

std::vector<std::string> TXAppWizard::LanguageNames() const {
  return LgSelector().OfferedNames();
}

int32_t TXAppWizard::CurrentIndex() const {
  return LgSelector().CurrentIndex();
}

uint32_t TXAppWizard::CurrentLgID() const {
  return LgSelector().CurrentLgID();
}

bool TXAppWizard::SelectLanguage(int32_t index) {
  return LgSelector().SelectLanguage(index);
}

void TXAppWizard::Terminated(AXNotification& notification) {
  if (notification.AspectAs<TXAppTerminatedAspect>() && OnTerminate) OnTerminate();
}

}  // namespace kova
