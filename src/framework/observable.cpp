#include "framework/observable.h"

#include <algorithm>
#include <vector>

namespace kova {

// A registration with what dispatches need to know of it. Removed and Running are guarded by the
// observable's lock.
struct TXObservable::Entry {
  TXObserverData Data;
  bool Removed = false;
  int Running = 0;  // calls of the handler in progress, on any thread
};

namespace {

bool Matches(const TXObserverData& entry, const AXNotification& notification) {
  const TXCustomAspect* aspect = notification.GetAspect();
  if (!aspect) return false;
  if (std::type_index(typeid(*aspect)) == entry.AspectClass->type) return true;
  return entry.AspectClass->matches(*aspect) &&
         (entry.Name.empty() || entry.Name == notification.GetName());
}

// The entries whose handlers this thread is running, innermost last: a removal does not wait for
// a call that it is itself part of.
thread_local std::vector<const void*> callsOnThisThread;

int CallsOnThisThread(const void* entry) {
  return static_cast<int>(std::count(callsOnThisThread.begin(), callsOnThisThread.end(), entry));
}

}  // namespace

// Marks one handler call as running from before the handler starts until after it ended,
// however it ends.
class TXObservable::RunningCall {
 public:
  RunningCall(TXObservable& observable, Entry& entry) : observable_(observable), entry_(entry) {
    callsOnThisThread.push_back(&entry);
  }
  ~RunningCall() {
    callsOnThisThread.pop_back();
    {
      std::lock_guard lock(observable_.mutex_);
      --entry_.Running;
    }
    observable_.callEnded_.notify_all();
  }
  RunningCall(const RunningCall&) = delete;
  RunningCall& operator=(const RunningCall&) = delete;

 private:
  TXObservable& observable_;
  Entry& entry_;
};

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
      if ((*it)->Data.Keeper) keepers.push_back((*it)->Data.Keeper);
      (*it)->Data.Keeper = nullptr;
    }
  }
  for (TXObserverKeeper* keeper : keepers)
    keeper->ObservableGone(component);
}

void TXObservable::AddObserver(const TXAspectClass& aspectClass, TXHandler handler,
                               std::string name) {
  std::lock_guard lock(mutex_);
  for (const EntryRef& entry : entries_) {
    if (entry->Data.AspectClass == &aspectClass && entry->Data.Handler == handler) return;
  }
  entries_.push_back(
      std::make_shared<Entry>(Entry{{&aspectClass, std::move(handler), nullptr, std::move(name)}}));
}

TXRef<TXObserverKeeper> TXObservable::AddKeptObserver(const TXAspectClass& aspectClass,
                                                      TXHandler handler,
                                                      TXObservableGoneCallback onGone,
                                                      std::string name) {
  std::lock_guard lock(mutex_);
  for (const EntryRef& entry : entries_) {
    if (entry->Data.AspectClass == &aspectClass && entry->Data.Handler == handler)
      return entry->Data.Keeper;
  }
  TXRef<TXObserverKeeper> keeper = MakeRef<TXObserverKeeper>(this, std::move(onGone));
  entries_.push_back(std::make_shared<Entry>(
      Entry{{&aspectClass, std::move(handler), keeper.Get(), std::move(name)}}));
  return keeper;
}

template <class Match>
void TXObservable::Remove(Match match) {
  std::unique_lock lock(mutex_);
  std::vector<EntryRef> removed;
  std::erase_if(entries_, [&](const EntryRef& entry) {
    if (!match(entry->Data)) return false;
    entry->Removed = true;
    // The entry's keeper stands for nothing here any more: it must not come back to this
    // observable when it is dropped, which may be after the observable is gone.
    if (TXObserverKeeper* keeper = entry->Data.Keeper)
      keeper->observable_.store(nullptr, std::memory_order_release);
    removed.push_back(entry);
    return true;
  });
  callEnded_.wait(lock, [&] {
    return std::none_of(removed.begin(), removed.end(), [](const EntryRef& entry) {
      return entry->Running > CallsOnThisThread(entry.get());
    });
  });
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

std::vector<TXObservable::EntryRef> TXObservable::Matching(
    const AXNotification& notification) const {
  std::vector<EntryRef> matching;
  std::lock_guard lock(mutex_);
  for (const EntryRef& entry : entries_) {
    if (Matches(entry->Data, notification)) matching.push_back(entry);
  }
  return matching;
}

void TXObservable::Call(Entry& entry, AXNotification& notification) {
  {
    std::lock_guard lock(mutex_);
    if (entry.Removed) return;
    ++entry.Running;
  }
  RunningCall running(*this, entry);
  entry.Data.Handler(notification);
}

void TXObservable::Dispatch(AXNotification& notification) {
  TXNotificationRef keepAlive(&notification);
  // Entries added by a handler during this dispatch are first called by the next one.
  for (const EntryRef& entry : Matching(notification))
    Call(*entry, notification);
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
  return entries_.size();
}

TXObserverKeeper::~TXObserverKeeper() {
  if (TXObservable* observable = Observable()) observable->RemoveKeeper(this);
}

void TXObserverKeeper::ObservableGone(TXObject* component) {
  observable_.store(nullptr, std::memory_order_release);
  if (onGone_) onGone_(component);
}

}  // namespace kova
