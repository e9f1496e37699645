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

void TXRateMeter::Read(TXClock::time_point now, int64_t done, int64_t total) {
  if (!started_) {
    started_ = true;
    start_ = last_ = now;
    startDone_ = lastDone_ = done;
    return;
  }
  const double gap = Seconds(now - last_);
  if (gap < kShortestGap) return;
  // Time in which nothing was done yet (a run finding its way) says nothing of its speed.
  if (!speed_ && done <= startDone_) start_ = now;
  Estimate(now, gap, done, total);
  finished_ = total > 0 && done >= total;
  last_ = now;
  lastDone_ = done;
}

void TXRateMeter::Estimate(TXClock::time_point now, double gap, int64_t done, int64_t total) {
  if (!speed_) {
    const double watched = Seconds(now - start_);
    if (watched < Seconds(kWarmUp) || done <= startDone_) return;
    speed_ = static_cast<double>(done - startDone_) / watched;
  } else {
    const double recent = static_cast<double>(std::max<int64_t>(done - lastDone_, 0)) / gap;
    *speed_ += Weight(gap, kSpeedSmoothing) * (recent - *speed_);
  }
  if (total <= 0 || *speed_ <= 0) {
    timeLeft_.reset();
    return;
  }
  const double estimate = static_cast<double>(std::max<int64_t>(total - done, 0)) / *speed_;
  if (!timeLeft_) {
    timeLeft_ = estimate;
    return;
  }
  const double counted = std::max(*timeLeft_ - gap, 0.0);
  timeLeft_ = counted + Weight(gap, kTimeLeftSmoothing) * (estimate - counted);
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
