#pragma once

#include "framework/worker_interfaces.h"

namespace kova {

// Progress that records nothing: the progress of workers that report none. One instance serves
// the whole process (EmptyProgress()).
class TXEmptyProgress final : public IXProgress {
 public:
  TXEmptyProgress() = default;
  using IXProgress::BeginSection;
  using IXProgress::BeginStep;

  int32_t GetPosition() const override { return 0; }
  void Reset() override {}
  void BeginSection(const std::string&, uint8_t) override {}
  void BeginStep(const std::string&) override {}
  void Grow(uint32_t) override {}
  void SetMax(uint32_t) override {}
  void StepIt() override {}
  void StepBy(uint32_t) override {}
  void SetPosition(uint32_t) override {}
  void SetPercent(uint8_t) override {}
  void SetPermille(uint16_t) override {}
  void EndSection() override {}
};

TXEmptyProgress& EmptyProgress();

}  // namespace kova
