#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/managed_object.h"

namespace kova {

enum class TXOperation { opInsert, opRemove };

// A named part with an owner. An owner frees the components it owns, newest first, when it goes.
// Components that asked for a free notification of each other hear when the other goes.
// Components belong to the user-interface thread.
class TXComponent : public TXObject {
 public:
  explicit TXComponent(TXComponent* owner = nullptr, std::string name = {})
      : owner_(owner), name_(std::move(name)) {}
  ~TXComponent() override;

  TXComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Creates a component owned by this one; its constructor takes the owner first.
  template <class T, class... Args>
  T& Create(Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& created = *component;
    Insert(std::move(component));
    return created;
  }
  const std::vector<std::unique_ptr<TXComponent>>& Components() const { return components_; }
  // The first owned component with the name (ignoring case), or nullptr.
  TXComponent* FindComponent(std::string_view name) const;
  // Frees an owned component now.
  void FreeComponent(TXComponent& component);

  // `other` hears (Notification with opRemove) when this component goes, and the other way round.
  void FreeNotification(TXComponent& other);
  void RemoveFreeNotification(TXComponent& other);

 protected:
  // Told when an owned component is inserted or removed, and when a component that asked for a
  // free notification goes.
  virtual void Notification(TXComponent& /*component*/, TXOperation /*operation*/) {}

 private:
  void Insert(std::unique_ptr<TXComponent> component);

  TXComponent* owner_;
  std::string name_;
  std::vector<std::unique_ptr<TXComponent>> components_;
  std::vector<TXComponent*> freeNotifies_;
};

}  // namespace kova
