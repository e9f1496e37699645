#include "framework/progress_manager.h"

#include "framework/aspects.h"

namespace kova {

TXProgress::TXProgress(TXProgressManager& manager)
    : TXProgressNode(manager.Sink()), manager_(manager) {}

TXProgress& TXProgress::BeginSection(uint8_t percent) {
  CloseOpenChild();
  return Open(static_cast<TXProgress&>(
      AdoptSection(std::make_unique<TXProgress>(manager_), percent & 0x7Fu)));
}

TXProgress& TXProgress::BeginStep() {
  CloseOpenChild();
  return Open(static_cast<TXProgress&>(AdoptStep(std::make_unique<TXProgress>(manager_))));
}

TXProgress& TXProgress::Open(TXProgress& child) {
  manager_.SetCurrent(child);
  return child;
}

void TXProgress::CloseOpenChild() {
  auto* child = static_cast<TXProgress*>(Child());
  if (child && child->open_) child->EndSection();
  FreeChild();
}

void TXProgress::EndSection() {
  if (auto* child = static_cast<TXProgress*>(Child()); child && child->open_) child->EndSection();
  SetPosition(Max());
  open_ = false;
  auto* parent = static_cast<TXProgress*>(Parent());
  if (!parent) {
    manager_.Finish();
    return;
  }
  parent->SetPosition(ParentEnd());
  manager_.SetCurrent(*parent);
}

TXProgressManager::TXProgressManager(TXProgressGear* gear, TXRefMode mode)
    : TXCustomWorker(mode),
      gear_(gear),
      root_(std::make_unique<TXProgress>(*this)),
      current_(root_.get()) {}

void TXProgressManager::Start(const std::string& section) {
  root_ = std::make_unique<TXProgress>(*this);
  current_ = root_.get();
  // A run starts from the beginning of the scale, whatever the last one reached.
  overall_.Restart();
  busy_.store(true, std::memory_order_release);
  Reset();
  if (section != section_) {
    SetSection(section);
  } else {
    Announce(MakeSharedNotification<TXProgressSectionChangedAspect>(section_));
  }
  Announce(MakeSharedNotification<TXProgressStyleChangedAspect>(style_));
  if (std::optional<int32_t> value = overall_.Unannounced()) {
    Announce(MakeSharedNotification<TXProgressChangedAspect>(*value));
  }
}

void TXProgressManager::SetSection(const std::string& section) {
  if (section == section_) return;
  section_ = section;
  Announce(MakeSharedNotification<TXProgressSectionChangedAspect>(section_));
}

void TXProgressManager::SetStyle(uint8_t style) {
  if (style == style_) return;
  style_ = style;
  Announce(MakeSharedNotification<TXProgressStyleChangedAspect>(style_));
}

void TXProgressManager::SetOverall(int64_t position) {
  if (std::optional<int32_t> value = overall_.MoveTo(position)) {
    Announce(MakeSharedNotification<TXProgressChangedAspect>(*value));
  }
}

void TXProgressManager::Announce(TXNotificationRef notification) {
  if (TXProgressGear* gear = gear_.load(std::memory_order_acquire)) {
    gear->Post(std::move(notification));
  } else {
    Post(std::move(notification));
  }
}

TXProgressGear::TXProgressGear(std::string name)
    : TXGear(std::move(name)), manager_(MakeRef<TXProgressManager>(this)) {}

TXProgressGear::~TXProgressGear() {
  manager_->DetachGear();
}

}  // namespace kova
