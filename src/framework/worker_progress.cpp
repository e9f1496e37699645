#include "framework/worker_progress.h"

#include <memory>

#include "framework/aspects.h"

namespace kova {

TXWorkerProgress::TXWorkerProgress(TXRefMode mode)
    : IXProgress(mode), root_(*this), current_(&root_) {}

void TXWorkerProgress::Reset() {
  // The next run announces its positions even when one equals the last of this run.
  overall_.Restart();
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
    SetOverall(TXOverallPosition::kFullScale);
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
  const std::optional<int32_t> value = overall_.MoveTo(position);
  if (!value) return;
  auto notification = MakeSharedNotification<TXProgressChangedAspect>(*value);
  if (Container()) {
    Post(std::move(notification));
  } else {
    Dispatch(*notification);
  }
}

}  // namespace kova
