#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/aspect.h"
#include "framework/handler.h"
#include "framework/managed_object.h"
#include "framework/notification.h"

namespace kova {

class TXObservable;
class TXObserverKeeper;

// What `Send` and `Post` of an observable travel through: normally the engine, which queues the
// notification and delivers it on its own thread.
class IXMessageContainer {
 public:
  virtual void SendNotification(TXObservable& target, TXNotificationRef notification) = 0;
  virtual void PostNotification(TXObservable& target, TXNotificationRef notification) = 0;
  // Drops every queued message addressed to the target.
  virtual void PurgeMessages(const TXObservable& target) = 0;

 protected:
  ~IXMessageContainer() = default;
};

// One registration on an observable.
struct TXObserverData {
  const TXAspectClass* AspectClass;
  TXHandler Handler;
  TXObserverKeeper* Keeper = nullptr;  // not counted: the registrant holds the keeper
  std::string Name;
};

// Called with the observable's component when a kept subscription's observable is destroyed.
using TXObservableGoneCallback = std::function<void(TXObject* component)>;

// An object that others observe. Observers register a handler for an aspect class (optionally a
// notification name); notifications dispatched on the observable reach the matching handlers in
// registration order. Observer entries do not keep their handler's object alive: every object
// removes its entries before it is destroyed.
//
// The list's lock is held only while the list itself is read or changed, never while a handler
// runs, so a handler may dispatch on, subscribe to or leave any observable without a lock order to
// keep. A dispatch calls the entries that matched when it began; an entry removed before its turn
// (by an earlier handler or by another thread) is not called. A removal returns only when no
// other thread is still running one of the removed handlers, so an object that has removed its
// entries can be destroyed at once; a handler that removes itself is not waited for on its own
// thread. A handler must therefore not wait for a thread that may be removing it.
class TXObservable : public TXManagedObject {
 public:
  explicit TXObservable(TXRefMode mode = TXRefMode::rmNone);
  ~TXObservable() override;

  // Adds an entry unless one with the same aspect class and handler exists.
  void AddObserver(const TXAspectClass& aspectClass, TXHandler handler, std::string name = {});
  void AddObserver(TXHandler handler) { AddObserver(EveryAspect(), std::move(handler)); }
  template <class A, class C>
  void AddObserver(C* target, void (C::*method)(AXNotification&), std::string name = {}) {
    AddObserver(AspectClassOf<A>(), TXHandler(target, method), std::move(name));
  }

  // Adds an entry bound to a keeper: dropping the last reference to the keeper removes the entry;
  // destroying the observable first calls onGone. A second registration of the same class and
  // handler answers the first entry's keeper.
  TXRef<TXObserverKeeper> AddKeptObserver(const TXAspectClass& aspectClass, TXHandler handler,
                                          TXObservableGoneCallback onGone = {},
                                          std::string name = {});

  void RemoveObserver(const TXAspectClass& aspectClass, const TXHandler& handler);
  template <class A, class C>
  void RemoveObserver(C* target, void (C::*method)(AXNotification&)) {
    RemoveObserver(AspectClassOf<A>(), TXHandler(target, method));
  }
  void RemoveHandler(const TXHandler& handler);
  // Removes every entry whose handler's target is the object (as registered).
  void RemoveObserversOf(const void* target);
  void RemoveKeeper(const TXObserverKeeper* keeper);

  // Delivers to this observable's own entries now, on the calling thread.
  void Dispatch(AXNotification& notification);
  // Through the container's engine (delivered on the engine's thread for Post, on the calling
  // thread for Send); without a container both are Dispatch.
  void Send(TXNotificationRef notification);
  void Post(TXNotificationRef notification);

  IXMessageContainer* Container() const { return container_.load(std::memory_order_acquire); }
  // Changing the container drops the messages queued for this object in the old one.
  virtual void SetContainer(IXMessageContainer* container);
  // The component behind a contained observable, otherwise the observable itself.
  virtual TXObject* GetComponent() { return this; }

  // Number of registered entries.
  size_t ObserverCount() const;

 protected:
  // Tells the holders of kept subscriptions that this observable is going, passing the component
  // it stands for. Runs from the destructor; a class whose component differs from the observable
  // calls it from its own destructor, while its GetComponent still answers.
  void NotifyKeepersGone(TXObject* component);

 private:
  struct Entry;
  class RunningCall;
  using EntryRef = std::shared_ptr<Entry>;

  std::vector<EntryRef> Matching(const AXNotification& notification) const;
  void Call(Entry& entry, AXNotification& notification);
  template <class Match>
  void Remove(Match match);

  std::atomic<IXMessageContainer*> container_{nullptr};
  mutable std::mutex mutex_;
  std::condition_variable callEnded_;
  std::vector<EntryRef> entries_;
};

// An observable that stands for a component (a control, a form): GetComponent answers it.
class TXContainedObservable : public TXObservable {
 public:
  explicit TXContainedObservable(TXObject* component, TXRefMode mode = TXRefMode::rmNone)
      : TXObservable(mode), component_(component) {}
  ~TXContainedObservable() override { NotifyKeepersGone(component_); }
  TXObject* GetComponent() override { return component_; }

 private:
  TXObject* component_;
};

// The subscription handle of a kept registration.
class TXObserverKeeper final : public TXManagedObject {
 public:
  TXObserverKeeper(TXObservable* observable, TXObservableGoneCallback onGone)
      : TXManagedObject(TXRefMode::rmInterlocked),
        observable_(observable),
        onGone_(std::move(onGone)) {}
  ~TXObserverKeeper() override;

  TXObservable* Observable() const { return observable_.load(std::memory_order_acquire); }

 private:
  friend class TXObservable;
  void ObservableGone(TXObject* component);

  std::atomic<TXObservable*> observable_;
  TXObservableGoneCallback onGone_;
};

// Builds a notification of aspect A and dispatches, sends or posts it on the observable.
template <class A, class... Args>
void DispatchAspect(TXObservable& observable, Args&&... args) {
  auto notification = MakeNotification<A>(std::forward<Args>(args)...);
  observable.Dispatch(*notification);
}
template <class A, class... Args>
void SendAspect(TXObservable& observable, Args&&... args) {
  observable.Send(MakeNotification<A>(std::forward<Args>(args)...));
}
template <class A, class... Args>
void PostAspect(TXObservable& observable, Args&&... args) {
  observable.Post(MakeNotification<A>(std::forward<Args>(args)...));
}

}  // namespace kova
