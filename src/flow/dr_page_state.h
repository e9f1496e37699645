#pragma once

#include <string>

#include "flow/page_ids.h"
#include "flow/wizard_page_state.h"
#include "output/dr_dialogs.h"

namespace kova {

class TXDREngine;
class TXDRDataGear;

// A page state of the recovery wizard: it reaches the recovery engine (its container), the data
// gear and the wizard's window, and asks the user through the process-wide dialogs.
class TXDRWizardPageState : public TXWizardPageState<TXKovaPageID> {
 public:
  TXDRWizardPageState(TXDREngine& engine, IXWizardFrame* frame);

  TXDREngine& DREngine() const { return engine_; }

 protected:
  TXDRDataGear& Data() const;
  // The wizard's window, or nullptr before it exists.
  IXWizardMainWindow* Window() const;

  // The mode box shown or hidden.
  void ShowModeBox(bool visible);
  // Releases the source the last run read (unless a run is active).
  void CloseInput();
  // The header, buttons and source of the pages where the user sets a run up.
  void EnterSetupPage(const std::string& caption);
  // The header and buttons of a page on which a run works: the caption with "..." and the
  // progress bar, no mode box, Back or Next, and the Cancel button with the caption.
  void EnterRunPage(const std::string& caption, const std::string& cancelCaption);
  // The header and buttons of a page that tells how a run ended: the caption with "!", and the
  // Cancel button as Close.
  void EnterEndPage(const std::string& caption);

  // "Do you want to stop?" with Stop and Continue: true for Stop.
  bool AskToStop() const;
  TXMessageAnswer Message(const std::string& text, TXMessageIcon icon,
                          TXMessageButtons buttons = TXMessageButtons::Ok,
                          const std::string& checkText = {}) const;

 private:
  TXDREngine& engine_;
};

}  // namespace kova
