#include "framework/progress_node.h"

#include <algorithm>
#include <limits>

namespace kova {

namespace {
constexpr uint64_t kMaxUnits = std::numeric_limits<uint32_t>::max();
}  // namespace

int64_t RoundHalfEven(int64_t numerator, int64_t denominator) {
  int64_t quotient = numerator / denominator;
  int64_t remainder = numerator % denominator;
  if (remainder < 0) {
    remainder += denominator;
    --quotient;
  }
  const int64_t twice = 2 * remainder;
  if (twice > denominator || (twice == denominator && (quotient & 1) != 0)) ++quotient;
  return quotient;
}

std::optional<int32_t> TXOverallPosition::MoveTo(int64_t position) {
  const auto value = static_cast<int32_t>(std::clamp<int64_t>(position, 0, kFullScale));
  if (value != 0 && Get() >= value) return std::nullopt;
  Store(value);
  return Unannounced();
}

void TXOverallPosition::Restart() {
  Store(0);
  lastAnnounced_ = kNothingAnnounced;
}

std::optional<int32_t> TXOverallPosition::Unannounced() {
  const int32_t value = Get();
  if (value == lastAnnounced_) return std::nullopt;
  lastAnnounced_ = value;
  return value;
}

int64_t TXProgressNode::OverallAt(uint64_t position) const {
  return RoundHalfEven(span_ * static_cast<int64_t>(position), max_) + base_;
}

int64_t TXProgressNode::Absolute() const {
  return OverallAt(position_);
}

void TXProgressNode::SetPosition(uint64_t position) {
  position_ = static_cast<uint32_t>(std::min<uint64_t>(position, max_));
  sink_.SetOverall(Absolute());
}

void TXProgressNode::SetMax(uint32_t n) {
  if (n == 0) return;
  max_ = n;
  position_ = std::min(position_, max_);
}

void TXProgressNode::Grow(uint32_t n) {
  if (n == 0) return;
  const uint32_t oldMax = max_;
  max_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{max_} + n, kMaxUnits));
  SetPosition(RoundHalfEven(int64_t{position_} * max_, oldMax));
}

void TXProgressNode::StepBy(uint32_t n) {
  if (n != 0) SetPosition(uint64_t{position_} + n);
}

void TXProgressNode::SetPercent(uint8_t percent) {
  SetPosition(RoundHalfEven(int64_t{percent} * max_, 100));
}

void TXProgressNode::SetPermille(uint16_t permille) {
  SetPosition(RoundHalfEven(int64_t{permille} * max_, 1000));
}

TXProgressNode& TXProgressNode::AdoptSection(std::unique_ptr<TXProgressNode> child,
                                             uint32_t percent) {
  const uint64_t parentEnd = RoundHalfEven(int64_t{percent} * max_, 100) + position_;
  return Adopt(std::move(child), RoundHalfEven(int64_t{percent} * span_, 100), parentEnd);
}

TXProgressNode& TXProgressNode::AdoptStep(std::unique_ptr<TXProgressNode> child) {
  const int64_t span = RoundHalfEven(span_ * (int64_t{position_} + 1), max_) -
                       RoundHalfEven(span_ * int64_t{position_}, max_);
  return Adopt(std::move(child), span, uint64_t{position_} + 1);
}

TXProgressNode& TXProgressNode::Adopt(std::unique_ptr<TXProgressNode> child, int64_t span,
                                      uint64_t parentEnd) {
  child->SetLayout(Absolute(), span);
  child->parentEnd_ = parentEnd;
  child->parent_ = this;
  child_ = std::move(child);
  return *child_;
}

void TXProgressNode::Rewind() {
  position_ = 0;
  child_.reset();
}

}  // namespace kova
