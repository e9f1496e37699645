#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "flow/dr_view_gear.h"
#include "flow/kova_page_gear.h"

namespace kova {

// The view gear of Velmora Kova: on assembly it builds the wizard through the view factory (the
// main window, the page frames, the page gear with its page states), wires them to the engine's
// gears and shows the welcome page. Without a view factory it only passes the reports on, as the
// base view gear does.
class TXKovaViewGear final : public TXDRVCLViewGear {
 public:
  explicit TXKovaViewGear(TXDREngine& engine);
  ~TXKovaViewGear() override;

  IXWizardViewFactory* Views = nullptr;

  IXWizardMainWindow* MainWindow() const override { return mainWindow_.get(); }
  TXKovaWizardPageGear* PageGear() const { return pageGear_.get(); }
  // The frame of the kind, or nullptr before the wizard is built.
  IXWizardFrame* Frame(TXWizardFrameKind kind) const;

  void Assemble() override;

 private:
  void BuildWindow();
  void BuildPages();
  IXWizardFrame& CreateFrame(TXWizardFrameKind kind);
  // A page state on the frame, registered with the page gear; what it announces is passed on
  // here, where the engine picks up the actions.
  template <class TState>
  void AddState(IXWizardFrame& frame);
  void PassOn(AXNotification& notification);
  void PassToPageGear(AXNotification& notification);
  void PageChanged(AXNotification& notification);

  std::unique_ptr<IXWizardMainWindow> mainWindow_;
  std::vector<std::pair<TXWizardFrameKind, std::unique_ptr<IXWizardFrame>>> frames_;
  std::unique_ptr<TXKovaWizardPageGear> pageGear_;
  TXKeptObservers wizardObservers_;
};

}  // namespace kova
