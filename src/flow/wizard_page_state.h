#pragma once

#include <string>
#include <utility>

#include "flow/relay.h"
#include "flow/wizard_view.h"
#include "framework/aspects.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"

namespace kova {

// Builds a notification and relays it on the observable (relay.h), as everything the wizard
// announces on its own objects is.
template <class A, class... Args>
void Announce(TXObservable& observable, Args&&... args) {
  auto notification = MakeNotification<A>(std::forward<Args>(args)...);
  RelayNotification(observable, *notification);
}

// The state of one wizard page: what the window's header and buttons show there, where Previous
// and Next lead, what Cancel and closing the window do, and which work the page starts. A state
// never touches a control: it announces header, button and action notifications on itself, and
// its page frame (several states may share one) hears the page-data notifications. Everything
// the frame sends is passed on by the state. The container is the engine.
template <class TPageID>
class TXWizardPageState : public TXObservable {
 public:
  TXWizardPageState(IXMessageContainer* container, IXWizardFrame* frame) : Frame(frame) {
    SetContainer(container);
    if (!Frame) return;
    Frame->Subscribe(*this, AspectClassOf<TXDialogInitDataAspect>());
    Frame->Subscribe(*this, AspectClassOf<TXDialogInitPageDataAspect>());
    Frame->Subscribe(*this, AspectClassOf<TXDialogUpdatePageDataAspect>());
    Frame->Subscribe(*this, AspectClassOf<TXDialogInitFolderAspect>());
    frameObservers_.Add(Frame->Observable(), EveryAspect(),
                        TXHandler(this, &TXWizardPageState::AspectHandler));
  }
  ~TXWizardPageState() override { frameObservers_.Clear(); }

  bool IsActive = false;
  TPageID PageID{};
  TPageID PreviousID{};
  TPageID NextID{};
  IXWizardFrame* Frame;

  // Entering: Enter, the page data for the frame, the frame shown, Entered.
  void Activate(TPageID from) {
    IsActive = true;
    Enter(from);
    auto pageData = MakeNotification<TXDialogInitPageDataAspect>();
    InitPageData(*pageData);
    if (Frame) Frame->Show();
    Entered();
  }
  // Leaving: the frame hands its data over, Leave, the frame hidden.
  void Deactivate() {
    IsActive = false;
    auto updateData = MakeNotification<TXDialogUpdatePageDataAspect>();
    UpdatePageData(*updateData);
    Leave();
    if (Frame) Frame->Hide();
  }

  virtual void Enter(TPageID /*from*/) {}
  virtual void Entered() {}
  virtual void Leave() {}
  // Page data for the frame (TXDialogInitDataAspect, TXDialogInitPageDataAspect).
  virtual void InitPageData(AXNotification& notification) {
    RelayNotification(*this, notification);
  }
  // The frame is asked for its data (TXDialogUpdatePageDataAspect, TXDialogUpdateDataAspect).
  virtual void UpdatePageData(AXNotification& notification) {
    RelayNotification(*this, notification);
  }
  virtual TPageID GetPrevious() { return PreviousID; }
  // A page may ask the user here and answer its own PageID to stay.
  virtual TPageID GetNext() { return NextID; }
  // Whether Cancel (or closing the window) may go ahead; target is where the wizard goes then.
  virtual bool QueryCancel(TPageID& /*target*/) { return true; }
  virtual bool CanCloseWithoutAsking() { return false; }
  // The user may size and maximise the window on every page unless a page says otherwise.
  virtual bool CanResize() { return true; }

 protected:
  // What the frame sends is passed on.
  virtual void AspectHandler(AXNotification& notification) {
    RelayNotification(*this, notification);
  }

  void SetHeader(const std::string& caption, bool showProgress) {
    Announce<TXWizardHeaderChangedAspect>(*this, caption, showProgress ? 1 : 0);
  }
  void SetControl(const std::string& name, const std::string& caption, bool enabled, bool visible) {
    Announce<TXWizardControlChangedAspect>(*this, name, caption, enabled, visible);
  }
  void HidePrevious() {
    Announce<TXWizardPreviousButtonChangedAspect>(*this, "Prev", "", false, false);
  }
  void ShowPrevious() {
    Announce<TXWizardPreviousButtonChangedAspect>(
        *this, "Prev", "< " + Lg().Word(lg::kPreviousCaption), true, true);
  }
  void HideNext() { Announce<TXWizardNextButtonChangedAspect>(*this, "Next", "", false, false); }
  void ShowNext() { SetNext(Lg().Word(lg::kNextCaption) + " >"); }
  void SetNext(const std::string& caption, bool enabled = true) {
    Announce<TXWizardNextButtonChangedAspect>(*this, "Next", caption, enabled, true);
  }
  void SetCancel(const std::string& caption, bool enabled = true) {
    Announce<TXWizardCancelButtonChangedAspect>(*this, "Cancel", caption, enabled, true);
  }
  void ShowCancel() { SetCancel(Lg().Word(lg::kCancelCaption)); }

 private:
  TXKeptObservers frameObservers_;
};

}  // namespace kova
