#include "flow/dr_page_state.h"

#include "flow/dr_engine.h"

namespace kova {

TXDRWizardPageState::TXDRWizardPageState(TXDREngine& engine, IXWizardFrame* frame)
    : TXWizardPageState<TXKovaPageID>(&engine, frame), engine_(engine) {}

TXDRDataGear& TXDRWizardPageState::Data() const {
  return engine_.DataGear();
}

IXWizardMainWindow* TXDRWizardPageState::Window() const {
  return engine_.ViewGear().MainWindow();
}

void TXDRWizardPageState::ShowModeBox(bool visible) {
  SetControl("Mode", "", true, visible);
}

void TXDRWizardPageState::CloseInput() {
  TXDRWorkerGear& worker = engine_.WorkerGear();
  if (worker.IsRunning() || !worker.Data().IO) return;
  worker.Data().IO->Close();
}

void TXDRWizardPageState::EnterSetupPage(const std::string& caption) {
  SetHeader(caption, false);
  ShowModeBox(false);
  ShowPrevious();
  ShowNext();
  ShowCancel();
  CloseInput();
}

void TXDRWizardPageState::EnterRunPage(const std::string& caption,
                                       const std::string& cancelCaption) {
  SetHeader(caption + "...", true);
  ShowModeBox(false);
  HidePrevious();
  HideNext();
  SetCancel(cancelCaption);
}

void TXDRWizardPageState::EnterEndPage(const std::string& caption) {
  SetHeader(caption + "!", false);
  ShowModeBox(false);
  HidePrevious();
  HideNext();
  SetCancel(Lg().Word(lg::kCloseCaption));
}

bool TXDRWizardPageState::AskToStop() const {
  return Message(Lg().Word(lg::kStopQuestion), TXMessageIcon::Question,
                 TXMessageButtons::StopContinue)
             .Button == TXMessageButton::Stop;
}

TXMessageAnswer TXDRWizardPageState::Message(const std::string& text, TXMessageIcon icon,
                                             TXMessageButtons buttons,
                                             const std::string& checkText) const {
  TXMessageRequest request;
  request.Text = text;
  request.Icon = icon;
  request.Buttons = buttons;
  request.CheckText = checkText;
  return Dialogs().ShowMessage(request);
}

}  // namespace kova
