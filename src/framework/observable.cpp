#include "framework/observable.h"

#include <algorithm>
#include <vector>

namespace kova {

namespace {

const TXAspectClass* DeletedClass() {
  return &AspectClassOf<TXDeletedObserverAspect>();
}

bool Matches(const TXObserverData& entry, const AXNotification& notification) {
  const TXCustomAspect* aspect = notification.GetAspect();
  if (!aspect || entry.AspectClass == DeletedClass()) return false;
  if (std::type_index(typeid(*aspect)) == entry.AspectClass->type) return true;
  return entry.AspectClass->matches(*aspect) &&
         (entry.Name.empty() || entry.Name == notification.GetName());
}

}  // namespace

TXObservable::TXObservable(TXRefMode mode) : TXManagedObject(mode) {}

TXObservable::~TXObservable() {
  SetContainer(nullptr);
  NotifyKeepersGone(this);
}

void TXObservable::NotifyKeepersGone(TXObject* component) {
  std::vector<TXObserverKeeper*> keepers;
  {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (it->Keeper && it->AspectClass != DeletedClass()) keepers.push_back(it->Keeper);
      it->Keeper = nullptr;
    }
  }
  for (TXObserverKeeper* keeper : keepers)
    keeper->ObservableGone(component);
}

void TXObservable::AddObserver(const TXAspectClass& aspectClass, TXHandler handler,
                               std::string name) {
  std::lock_guard lock(mutex_);
  for (const TXObserverData& entry : entries_) {
    if (entry.AspectClass == &aspectClass && entry.Handler == handler) return;
  }
  entries_.push_back({&aspectClass, std::move(handler), nullptr, std::move(name)});
}

TXRef<TXObserverKeeper> TXObservable::AddKeptObserver(const TXAspectClass& aspectClass,
                                                      TXHandler handler,
                                                      TXObservableGoneCallback onGone,
                                                      std::string name) {
  std::lock_guard lock(mutex_);
  for (const TXObserverData& entry : entries_) {
    if (entry.AspectClass == &aspectClass && entry.Handler == handler) return entry.Keeper;
  }
  TXRef<TXObserverKeeper> keeper = MakeRef<TXObserverKeeper>(this, std::move(onGone));
  entries_.push_back({&aspectClass, std::move(handler), keeper.Get(), std::move(name)});
  return keeper;
}

template <class Match>
void TXObservable::Remove(Match match) {
  std::lock_guard lock(mutex_);
  for (TXObserverData& entry : entries_) {
    if (entry.AspectClass == DeletedClass() || !match(entry)) continue;
    // The entry's keeper stands for nothing here any more: it must not come back to this
    // observable when it is dropped, which may be after the observable is gone.
    if (entry.Keeper) entry.Keeper->observable_ = nullptr;
    if (dispatchDepth_ > 0) {
      entry.AspectClass = DeletedClass();
      hasDeleted_ = true;
    }
  }
  if (dispatchDepth_ == 0) std::erase_if(entries_, match);
}

void TXObservable::RemoveObserver(const TXAspectClass& aspectClass, const TXHandler& handler) {
  Remove([&](const TXObserverData& e) {
    return e.AspectClass == &aspectClass && e.Handler == handler;
  });
}

void TXObservable::RemoveHandler(const TXHandler& handler) {
  Remove([&](const TXObserverData& e) { return e.Handler == handler; });
}

void TXObservable::RemoveObserversOf(const void* target) {
  if (!target) return;
  Remove([&](const TXObserverData& e) { return e.Handler.Target() == target; });
}

void TXObservable::RemoveKeeper(const TXObserverKeeper* keeper) {
  if (!keeper) return;
  Remove([&](const TXObserverData& e) { return e.Keeper == keeper; });
}

void TXObservable::PurgeDeleted() {
  std::erase_if(entries_, [](const TXObserverData& e) { return e.AspectClass == DeletedClass(); });
  hasDeleted_ = false;
}

void TXObservable::Dispatch(AXNotification& notification) {
  TXNotificationRef keepAlive(&notification);
  std::lock_guard lock(mutex_);
  struct DepthGuard {
    TXObservable& self;
    explicit DepthGuard(TXObservable& s) : self(s) { ++self.dispatchDepth_; }
    ~DepthGuard() {
      if (self.dispatchDepth_ == 1 && self.hasDeleted_) self.PurgeDeleted();
      --self.dispatchDepth_;
    }
  } guard(*this);

  // Entries added by a handler during this dispatch are first called by the next one; the deque
  // keeps the addresses of existing entries stable while handlers append.
  const size_t count = entries_.size();
  for (size_t i = 0; i < count; ++i) {
    const TXObserverData& entry = entries_[i];
    if (Matches(entry, notification)) entry.Handler(notification);
  }
}

void TXObservable::Send(TXNotificationRef notification) {
  if (IXMessageContainer* container = Container()) {
    container->SendNotification(*this, std::move(notification));
  } else {
    Dispatch(*notification);
  }
}

void TXObservable::Post(TXNotificationRef notification) {
  if (IXMessageContainer* container = Container()) {
    container->PostNotification(*this, std::move(notification));
  } else {
    Dispatch(*notification);
  }
}

void TXObservable::SetContainer(IXMessageContainer* container) {
  IXMessageContainer* old = Container();
  if (old == container) return;
  if (old && old != dynamic_cast<IXMessageContainer*>(this)) old->PurgeMessages(*this);
  container_.store(container, std::memory_order_release);
}

size_t TXObservable::ObserverCount() const {
  std::lock_guard lock(mutex_);
  return std::count_if(entries_.begin(), entries_.end(),
                       [](const TXObserverData& e) { return e.AspectClass != DeletedClass(); });
}

TXObserverKeeper::~TXObserverKeeper() {
  if (observable_) observable_->RemoveKeeper(this);
}

void TXObserverKeeper::ObservableGone(TXObject* component) {
  observable_ = nullptr;
  if (onGone_) onGone_(component);
}

}  // namespace kova
