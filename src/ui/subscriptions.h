#pragma once

#include <vector>

#include "framework/observable.h"

namespace kova {

// The registrations a window or control holds on observables, kept so that they end with their
// holder (its destructor unsubscribes) or with the observable, whichever goes first.
class TXSubscriptions {
 public:
  TXSubscriptions() = default;
  TXSubscriptions(const TXSubscriptions&) = delete;
  TXSubscriptions& operator=(const TXSubscriptions&) = delete;

  void Add(TXObservable& source, const TXAspectClass& aspectClass, TXHandler handler);
  // Ends the registrations on the source: all of them, or those for one aspect class.
  void Remove(TXObservable& source);
  void Remove(TXObservable& source, const TXAspectClass& aspectClass);
  // Live registrations.
  size_t Count() const;

 private:
  struct Entry {
    TXObservable* Source;  // nullptr once the observable is gone
    const TXAspectClass* AspectClass;
    TXRef<TXObserverKeeper> Keeper;
  };
  // Drops the entries whose observable went (never from inside the observable's farewell, which
  // runs while the keeper is still in use).
  void Prune();

  std::vector<Entry> entries_;
};

}  // namespace kova
