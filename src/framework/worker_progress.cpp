#include "framework/worker_progress.h"

#include <algorithm>
#include <memory>

#include "framework/aspects.h"

namespace kova {

namespace {
constexpr int32_t kNotAnnounced = -1;
constexpr int64_t kFullScale = 1000;
}  // namespace

TXWorkerProgress::TXWorkerProgress(TXRefMode mode)
    : IXProgress(mode), root_(*this), current_(&root_) {}

void TXWorkerProgress::Reset() {
  overall_.store(0, std::memory_order_release);
  // The next run announces its positions even when one equals the last of this run.
  lastNotified_ = kNotAnnounced;
  root_.Rewind();
  current_ = &root_;
}

void TXWorkerProgress::BeginSection(const std::string& name, uint8_t percent) {
  current_ = static_cast<TXProgressSection*>(
      &current_->AdoptSection(std::make_unique<TXProgressSection>(Sink(), name), percent));
}

void TXWorkerProgress::BeginStep(const std::string& name) {
  current_ = static_cast<TXProgressSection*>(
      &current_->AdoptStep(std::make_unique<TXProgressSection>(Sink(), name)));
}

void TXWorkerProgress::EndSection() {
  TXProgressSection* section = current_;
  section->SetPosition(section->Max());
  TXProgressNode* parent = section->Parent();
  if (!parent) {
    SetOverall(kFullScale);
    return;
  }
  parent->SetPosition(section->ParentEnd());
  current_ = static_cast<TXProgressSection*>(parent);
  parent->FreeChild();
}

int TXWorkerProgress::Depth() const {
  int depth = 0;
  for (const TXProgressNode* node = current_; node->Parent(); node = node->Parent())
    ++depth;
  return depth;
}

void TXWorkerProgress::SetOverall(int64_t position) {
  const auto value = static_cast<int32_t>(std::clamp<int64_t>(position, 0, kFullScale));
  if (value != 0 && GetPosition() >= value) return;
  overall_.store(value, std::memory_order_release);
  if (value == lastNotified_) return;
  lastNotified_ = value;
  auto notification = MakeSharedNotification<TXProgressChangedAspect>(value);
  if (Container()) {
    Post(std::move(notification));
  } else {
    Dispatch(*notification);
  }
}

}  // namespace kova
