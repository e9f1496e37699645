#pragma once

#include <memory>
#include <vector>

#include "flow/relay.h"
#include "flow/wizard_page_state.h"
#include "framework/gear.h"

namespace kova {

// Owns the page states of a wizard and moves between them. Exactly one state is current once
// the wizard has started. What the states announce for the window (header, buttons, controls)
// is passed on by the gear, and each page change is announced as
// TXWizardPageChangedAspectOf<TPageID>.
template <class TPageID>
class TXWizardPageGear : public TXCustomGear {
 public:
  using TXState = TXWizardPageState<TPageID>;

  explicit TXWizardPageGear(IXMessageContainer* container) : TXCustomGear("PageGear") {
    SetContainer(container);
  }
  ~TXWizardPageGear() override {
    stateObservers_.Clear();
    current_ = nullptr;
    states_.clear();
  }

  const std::vector<std::unique_ptr<TXState>>& States() const { return states_; }
  TXState* Current() const { return current_; }
  // The state of the page, or nullptr.
  TXState* Find(TPageID page) const {
    for (const auto& state : states_)
      if (state->PageID == page) return state.get();
    return nullptr;
  }

  // Appends the state (the first registered is the start page) and wires it.
  TXState& Register(std::unique_ptr<TXState> state) {
    TXState& added = *states_.emplace_back(std::move(state));
    auto pass = TXHandler(this, &TXWizardPageGear::PassOn);
    stateObservers_.Add(added, AspectClassOf<TXWizardHeaderShowAspect>(), pass);
    stateObservers_.Add(added, AspectClassOf<TXWizardHeaderHideAspect>(), pass);
    stateObservers_.Add(added, AspectClassOf<TXWizardHeaderChangedAspect>(), pass);
    stateObservers_.Add(added, AspectClassOf<TXWizardControlChangedAspect>(), pass);
    stateObservers_.Add<TXActionNextAspect>(added, this, &TXWizardPageGear::OnNext);
    stateObservers_.Add<TXActionPreviousAspect>(added, this, &TXWizardPageGear::OnPrevious);
    TXState* target = &added;
    AddObserver(
        AspectClassOf<TXDialogInitDataAspect>(),
        TXHandler(target, "init-data", [target](AXNotification& n) { target->InitPageData(n); }));
    AddObserver(AspectClassOf<TXDialogUpdateDataAspect>(),
                TXHandler(target, "update-data",
                          [target](AXNotification& n) { target->UpdatePageData(n); }));
    return added;
  }

  // Goes to the page: nothing for a page without a state or for the current page. Otherwise the
  // current state is left, the page's state entered, and the change announced (unless entering
  // the page already moved the wizard on).
  void GoTo(TPageID page) {
    TXState* state = Find(page);
    if (!state) return;
    TPageID from{};
    if (current_) {
      if (current_->PageID == page) return;
      from = current_->PageID;
      current_->Deactivate();
    }
    current_ = state;
    state->Activate(from);
    if (current_ == state) Announce<TXWizardPageChangedAspectOf<TPageID>>(*this, page);
  }
  void Start() {
    if (!states_.empty()) GoTo(states_.front()->PageID);
  }
  void Next() {
    if (current_) GoTo(current_->GetNext());
  }
  void Previous() {
    if (current_) GoTo(current_->GetPrevious());
  }

 protected:
  void PassOn(AXNotification& notification) { RelayNotification(*this, notification); }
  void OnNext(AXNotification& notification) {
    if (notification.AspectAs<TXActionNextAspect>()) Next();
  }
  void OnPrevious(AXNotification& notification) {
    if (notification.AspectAs<TXActionPreviousAspect>()) Previous();
  }

 private:
  void RemoveHandlersOfStates() {
    for (const auto& state : states_)
      RemoveObserversOf(state.get());
  }

  std::vector<std::unique_ptr<TXState>> states_;
  TXState* current_ = nullptr;
  TXKeptObservers stateObservers_;
};

}  // namespace kova
