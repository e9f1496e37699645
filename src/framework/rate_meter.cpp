#include "framework/rate_meter.h"

#include <algorithm>
#include <cmath>

namespace kova {

namespace {

constexpr double kShortestGap = 0.1;

double Seconds(std::chrono::nanoseconds span) {
  return std::chrono::duration<double>(span).count();
}

// The weight a new value gets after `seconds` in a moving average with the time constant.
double Weight(double seconds, std::chrono::milliseconds constant) {
  return 1.0 - std::exp(-seconds / Seconds(constant));
}

}  // namespace

void TXRateMeter::Restart() {
  *this = TXRateMeter();
}

void TXRateMeter::Read(TXClock::time_point now, int64_t done, int64_t total, int64_t badAreas) {
  if (!started_) {
    started_ = true;
    start_ = last_ = now;
    startDone_ = lastDone_ = done;
    lastBadAreas_ = badAreas;
    return;
  }
  const double gap = Seconds(now - last_);
  if (gap < kShortestGap) return;
  // Time in which nothing was done yet (a run finding its way) says nothing of its speed.
  if (!speed_ && done <= startDone_) start_ = now;
  last_ = now;
  finished_ = total > 0 && done >= total;
  if (speed_ && done <= lastDone_) {
    stalled_ += gap;
    if (timeLeft_) timeLeft_ = std::max(*timeLeft_ - gap, 0.0);
    return;
  }
  const bool errors = badAreas > lastBadAreas_;
  Estimate(now, gap, done, total, errors);
  stalled_ = 0;
  lastDone_ = done;
  lastBadAreas_ = badAreas;
}

// `gap` is the time since the last reading; the speed and the errors take in the stall before
// it as well (the time left has counted that down already).
void TXRateMeter::Estimate(TXClock::time_point now, double gap, int64_t done, int64_t total,
                           bool errors) {
  const double span = gap + stalled_;
  if (!speed_) {
    const double watched = Seconds(now - start_);
    if (watched < Seconds(kWarmUp) || done <= startDone_) return;
    speed_ = static_cast<double>(done - startDone_) / watched;
  } else if (errors) {
    errorSeconds_ += span;
  } else {
    const double recent = static_cast<double>(std::max<int64_t>(done - lastDone_, 0)) / span;
    *speed_ += Weight(span, kSpeedSmoothing) * (recent - *speed_);
  }
  if (total <= 0 || *speed_ <= 0) {
    timeLeft_.reset();
    return;
  }
  const double remaining = static_cast<double>(std::max<int64_t>(total - done, 0));
  const double estimate = remaining / *speed_ + remaining * ErrorSecondsPerByte(done);
  if (!timeLeft_) {
    timeLeft_ = estimate;
    return;
  }
  const double counted = std::max(*timeLeft_ - gap, 0.0);
  timeLeft_ = counted + Weight(gap, kTimeLeftSmoothing) * (estimate - counted);
}

double TXRateMeter::ErrorSecondsPerByte(int64_t done) const {
  const int64_t watched = done - startDone_;
  return watched > 0 ? errorSeconds_ / static_cast<double>(watched) : 0.0;
}

std::optional<double> TXRateMeter::Speed() const {
  return speed_;
}

std::optional<std::chrono::seconds> TXRateMeter::TimeLeft() const {
  if (finished_) return std::chrono::seconds(0);
  if (!timeLeft_) return std::nullopt;
  return std::chrono::seconds(std::llround(*timeLeft_));
}

}  // namespace kova
