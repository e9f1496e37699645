#include "framework/component.h"

#include <algorithm>

#include "framework/text_utils.h"

namespace kova {

TXComponent::~TXComponent() {
  // A copy: each partner forgets this component while it is told.
  const std::vector<TXComponent*> partners = freeNotifies_;
  for (TXComponent* partner : partners) {
    std::erase(partner->freeNotifies_, this);
    partner->Notification(*this, TXOperation::opRemove);
  }
  while (!components_.empty()) {
    std::unique_ptr<TXComponent> component = std::move(components_.back());
    components_.pop_back();
  }
}

void TXComponent::Insert(std::unique_ptr<TXComponent> component) {
  TXComponent& inserted = *component;
  components_.push_back(std::move(component));
  Notification(inserted, TXOperation::opInsert);
}

TXComponent* TXComponent::FindComponent(std::string_view name) const {
  for (const auto& component : components_) {
    if (SameText(component->Name(), name)) return component.get();
  }
  return nullptr;
}

void TXComponent::FreeComponent(TXComponent& component) {
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const auto& owned) { return owned.get() == &component; });
  if (it == components_.end()) return;
  std::unique_ptr<TXComponent> freed = std::move(*it);
  components_.erase(it);
  Notification(*freed, TXOperation::opRemove);
}

void TXComponent::FreeNotification(TXComponent& other) {
  if (&other == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), &other) == freeNotifies_.end()) {
    freeNotifies_.push_back(&other);
    other.freeNotifies_.push_back(this);
  }
}

void TXComponent::RemoveFreeNotification(TXComponent& other) {
  std::erase(freeNotifies_, &other);
  std::erase(other.freeNotifies_, this);
}

}  // namespace kova
