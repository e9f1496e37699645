#pragma once

#include <memory>

#include "flow/dr_engine.h"
#include "flow/kova_view_gear.h"
#include "recovery/recovery_aspects.h"

namespace kova {

class IXDRSkin;

// Velmora Kova's recovery engine. Its action handler turns the page states' actions into work
// commands for the current source: a drive (restoring from a card, copying it into an image
// file) or an image file being parsed.
class TXKovaEngine final : public TXDREngineOf<TXKovaDataGear, TXKovaViewGear, TXDRWorkerGear> {
 public:
  explicit TXKovaEngine(IXEventLoop& loop = DefaultEventLoop());
  ~TXKovaEngine() override { StopWork(); }

  // The work command for an action (TXDRActionImageFile, TXDRActionDeepScan,
  // TXDRActionRestoreFiles), or nothing for another aspect.
  TXRef<TXCommand> WorkCommandFor(const TXDRAction& action);

 private:
  void OnAction(AXNotification& notification);
};

// Shows the nothing-found message (exclamation icon, OK).
void ShowNothingFoundMessage();

// Creates the engine with the settings, the skin and the factory of the wizard's windows, sets
// the nothing-found message and assembles it: the wizard is built and shows its welcome page.
// Without a factory the engine runs without windows (the view gear only passes reports on).
std::unique_ptr<TXKovaEngine> CreateKovaEngine(IXDRIni* settings, IXDRSkin* skin,
                                               IXWizardViewFactory* views,
                                               IXEventLoop& loop = DefaultEventLoop());

}  // namespace kova
