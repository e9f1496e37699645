#include "ui/subscriptions.h"

#include <algorithm>

namespace kova {

void TXSubscriptions::Add(TXObservable& source, const TXAspectClass& aspectClass,
                          TXHandler handler) {
  Prune();
  TXObservable* gone = &source;
  TXRef<TXObserverKeeper> keeper =
      source.AddKeptObserver(aspectClass, std::move(handler), [this, gone](TXObject*) {
        for (Entry& entry : entries_) {
          if (entry.Source == gone) entry.Source = nullptr;
        }
      });
  const bool known = std::any_of(entries_.begin(), entries_.end(),
                                 [&](const Entry& entry) { return entry.Keeper == keeper; });
  if (!known) entries_.push_back({&source, &aspectClass, std::move(keeper)});
}

void TXSubscriptions::Remove(TXObservable& source) {
  Prune();
  std::erase_if(entries_, [&](const Entry& entry) { return entry.Source == &source; });
}

void TXSubscriptions::Remove(TXObservable& source, const TXAspectClass& aspectClass) {
  Prune();
  std::erase_if(entries_, [&](const Entry& entry) {
    return entry.Source == &source && entry.AspectClass == &aspectClass;
  });
}

size_t TXSubscriptions::Count() const {
  return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(),
                                           [](const Entry& entry) { return entry.Source; }));
}

void TXSubscriptions::Prune() {
  std::erase_if(entries_, [](const Entry& entry) { return entry.Source == nullptr; });
}

}  // namespace kova
