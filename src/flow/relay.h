#pragma once

#include <vector>

#include "framework/observable.h"

// How the recovery flow passes notifications on. The wizard's objects relay to each other in
// circles (a page state passes on what its page sends, the view gear what the page states send,
// and the pages hear the view gear), so a relay never dispatches a notification onto an
// observable where it is already being relayed on this thread.
namespace kova {

// Dispatches the notification on the target, unless this thread is relaying it there already.
void RelayNotification(TXObservable& target, AXNotification& notification);

// A notification that may be posted from the calling thread to another: the notification itself
// when its count is shared between threads, else a copy with a shared count for the aspects that
// cross threads in the recovery flow (progress, found files, log lines, ends of runs). Nothing
// for any other aspect.
TXNotificationRef PostableNotification(AXNotification& notification);

// Registrations that end with their holder or with the observable, whichever goes first.
class TXKeptObservers {
 public:
  TXKeptObservers() = default;
  TXKeptObservers(const TXKeptObservers&) = delete;
  TXKeptObservers& operator=(const TXKeptObservers&) = delete;

  void Add(TXObservable& source, const TXAspectClass& aspectClass, TXHandler handler);
  template <class A, class C>
  void Add(TXObservable& source, C* target, void (C::*method)(AXNotification&)) {
    Add(source, AspectClassOf<A>(), TXHandler(target, method));
  }
  // Ends every registration.
  void Clear() { keepers_.clear(); }
  size_t Count() const { return keepers_.size(); }

 private:
  std::vector<TXRef<TXObserverKeeper>> keepers_;
};

}  // namespace kova
