#pragma once

#include <memory>
#include <string>
#include <utility>

#include "framework/aspect.h"
#include "framework/managed_object.h"

namespace kova {

// The envelope that carries an aspect to observers. It owns its aspect and lives as long as a
// counted reference to it exists: the sender's while it dispatches, an engine queue entry's until
// delivery.
class AXNotification : public TXManagedObject {
 public:
  AXNotification(TXRefMode mode, std::unique_ptr<TXCustomAspect> aspect, TXObject* sender,
                 std::string name)
      : TXManagedObject(mode),
        name_(std::move(name)),
        sender_(sender),
        aspect_(std::move(aspect)) {}

  const std::string& GetName() const { return name_; }
  TXObject* GetSender() const { return sender_; }
  TXCustomAspect* GetAspect() const { return aspect_.get(); }

  // The aspect when it is of class A (or derived from it), else nullptr: every handler starts with
  // this test and ignores other classes.
  template <class A>
  A* AspectAs() const {
    return dynamic_cast<A*>(aspect_.get());
  }

 private:
  std::string name_;
  TXObject* sender_;
  std::unique_ptr<TXCustomAspect> aspect_;
};

// The envelope for one aspect class.
template <class A>
class TXNotification final : public AXNotification {
 public:
  TXNotification(TXRefMode mode, std::unique_ptr<A> aspect, TXObject* sender = nullptr,
                 std::string name = {})
      : AXNotification(mode, std::move(aspect), sender, std::move(name)) {}

  A& Aspect() const { return static_cast<A&>(*GetAspect()); }
};

using TXNotificationRef = TXRef<AXNotification>;

// A new notification counted by one thread (the usual case).
template <class A, class... Args>
TXRef<TXNotification<A>> MakeNotification(Args&&... args) {
  return MakeRef<TXNotification<A>>(TXRefMode::rmPlain,
                                    std::make_unique<A>(std::forward<Args>(args)...));
}

// A new notification whose reference count is shared between threads.
template <class A, class... Args>
TXRef<TXNotification<A>> MakeSharedNotification(Args&&... args) {
  return MakeRef<TXNotification<A>>(TXRefMode::rmInterlocked,
                                    std::make_unique<A>(std::forward<Args>(args)...));
}

}  // namespace kova
