#pragma once

#include "flow/page_ids.h"
#include "flow/wizard_page_gear.h"
#include "framework/error_data.h"

namespace kova {

class TXDREngine;
class TXDRViewGear;

// The page gear of Velmora Kova's wizard. It answers the window's requests (Cancel, closing,
// resizing), passes the window's actions on, follows Next and Previous, and moves on when a run's
// thread has ended.
class TXKovaWizardPageGear final : public TXWizardPageGear<TXKovaPageID> {
 public:
  explicit TXKovaWizardPageGear(TXDREngine& engine);
  ~TXKovaWizardPageGear() override;

  IXWizardMainWindow* MainWindow() const { return window_; }
  // Hears the window's requests and actions, and its Next and Previous buttons.
  void AttachWindow(IXWizardMainWindow& window);
  // Hears the end of the runs on the view gear.
  void AttachViewGear(TXDRViewGear& view);

  // The window asks whether it may carry out a request (TXRequestActionAspect): Cancel (-30)
  // goes where the page's QueryCancel says, or is refused; size and maximise (-23, -24) are
  // refused on pages that cannot resize; closing (-21) asks the page unless it may close without
  // asking, then cancels a running run. Other requests are passed on.
  void OnRequest(AXNotification& notification);
  // The window's actions are passed on.
  void OnAction(AXNotification& notification);
  // A run's thread has ended ("Scan", "DeepScan", "Restore", "ImageFile"): a failed scan returns
  // to the disk page and a failed restore to the results page, each after the disconnection
  // message; anything else (a cancelled run too) moves on. Only the page of that run moves.
  void OnThreadEnded(AXNotification& notification);

 private:
  void CancelRequested(TXRequestActionAspect& request);
  void CloseRequested(TXRequestActionAspect& request);
  // The page is left after a run's failure, after the message that says why.
  void RunFailed(TXKovaPageID backTo, const TXErrorData& error);

  TXDREngine& engine_;
  IXWizardMainWindow* window_ = nullptr;
  TXKeptObservers observers_;
};

}  // namespace kova
