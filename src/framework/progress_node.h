#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "framework/managed_object.h"

namespace kova {

// Rounds numerator / denominator (denominator > 0) to the nearest integer, halves to even.
int64_t RoundHalfEven(int64_t numerator, int64_t denominator);

// Receives the overall positions (0 to 1000) that progress nodes compute.
class IXOverallSink {
 public:
  virtual void SetOverall(int64_t position) = 0;

 protected:
  ~IXOverallSink() = default;
};

// The overall position of a run on the scale 0 to 1000: it never moves backwards except to 0,
// and a value is announced only when it differs from the last one announced. One thread moves it;
// any thread may read it.
class TXOverallPosition {
 public:
  static constexpr int32_t kFullScale = 1000;

  int32_t Get() const { return value_.load(std::memory_order_acquire); }
  // Moves to the position (kept within the scale); answers the value to announce, if any.
  std::optional<int32_t> MoveTo(int64_t position);
  // Back to 0 for a new run; the next value is announced whatever it is.
  void Restart();
  // The current value, when it has not been announced yet.
  std::optional<int32_t> Unannounced();
  // Sets the value without announcing it.
  void Store(int32_t value) { value_.store(value, std::memory_order_release); }

 private:
  static constexpr int32_t kNothingAnnounced = -1;
  std::atomic<int32_t> value_{0};
  int32_t lastAnnounced_ = 0;
};

// One section of a progress tree. The section runs from 0 to Max; the whole of it maps to Span
// units of the overall scale starting at Base, and it ends at its parent's position ParentEnd.
class TXProgressNode : public TXObject {
 public:
  explicit TXProgressNode(IXOverallSink& sink) : sink_(sink) {}

  uint32_t Position() const { return position_; }
  uint32_t Max() const { return max_; }
  int64_t Base() const { return base_; }
  int64_t Span() const { return span_; }
  uint64_t ParentEnd() const { return parentEnd_; }
  TXProgressNode* Parent() const { return parent_; }
  TXProgressNode* Child() const { return child_.get(); }

  // The overall position of the section's current position.
  int64_t Absolute() const;
  // Moves to min(position, Max) and reports the overall position.
  void SetPosition(uint64_t position);
  // n = 0 changes nothing; otherwise Max := n and the position is lowered to it when above.
  void SetMax(uint32_t n);
  // Lengthens the section by n units keeping the completed fraction.
  void Grow(uint32_t n);
  void StepBy(uint32_t n);
  void SetPercent(uint8_t percent);
  void SetPermille(uint16_t permille);

  // Makes the node a new child covering `percent` per cent of this section (freeing the previous
  // child) and answers it.
  TXProgressNode& AdoptSection(std::unique_ptr<TXProgressNode> child, uint32_t percent);
  // Makes the node a new child covering the next unit of this section.
  TXProgressNode& AdoptStep(std::unique_ptr<TXProgressNode> child);
  void FreeChild() { child_.reset(); }
  // Back to position 0 without children; nothing is reported.
  void Rewind();

 protected:
  void SetLayout(int64_t base, int64_t span) {
    base_ = base;
    span_ = span;
  }

 private:
  TXProgressNode& Adopt(std::unique_ptr<TXProgressNode> child, int64_t span, uint64_t parentEnd);
  int64_t OverallAt(uint64_t position) const;

  IXOverallSink& sink_;
  uint32_t position_ = 0;
  uint32_t max_ = 1000;
  int64_t base_ = 0;
  int64_t span_ = 1000;
  uint64_t parentEnd_ = 0;
  TXProgressNode* parent_ = nullptr;
  std::unique_ptr<TXProgressNode> child_;
};

}  // namespace kova
