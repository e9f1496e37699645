#pragma once

#include <string>

#include "framework/progress_node.h"
#include "framework/worker_interfaces.h"

namespace kova {

// A named section of a worker's progress.
class TXProgressSection : public TXProgressNode {
 public:
  explicit TXProgressSection(IXOverallSink& sink, std::string name = {})
      : TXProgressNode(sink), name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// Progress on a scale of 0 to 1000 divided into nested sections. The overall position never moves
// backwards during a run (except to 0) and is announced only when it changes, as a
// TXProgressChangedAspect: posted through the container when there is one, else dispatched.
// Exactly one thread changes it at a time; GetPosition may be asked from any thread.
class TXWorkerProgress : public IXProgress, private IXOverallSink {
 public:
  explicit TXWorkerProgress(TXRefMode mode = TXRefMode::rmPlain);
  using IXProgress::BeginSection;
  using IXProgress::BeginStep;

  int32_t GetPosition() const override { return overall_.Get(); }
  void Reset() override;
  void BeginSection(const std::string& name, uint8_t percent) override;
  void BeginStep(const std::string& name) override;
  void Grow(uint32_t n) override { current_->Grow(n); }
  void SetMax(uint32_t n) override { current_->SetMax(n); }
  void StepIt() override { current_->StepBy(1); }
  void StepBy(uint32_t n) override { current_->StepBy(n); }
  void SetPosition(uint32_t position) override { current_->SetPosition(position); }
  void SetPercent(uint8_t percent) override { current_->SetPercent(percent); }
  void SetPermille(uint16_t permille) override { current_->SetPermille(permille); }
  void EndSection() override;

  const TXProgressSection& Current() const { return *current_; }
  // How many sections are open inside the root.
  int Depth() const;

 private:
  void SetOverall(int64_t position) override;
  IXOverallSink& Sink() { return *this; }

  TXOverallPosition overall_;
  TXProgressSection root_;
  TXProgressSection* current_;
};

}  // namespace kova
