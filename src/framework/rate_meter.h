#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace kova {

// The speed of a run and the time it has left, from readings of its figures (bytes done of a
// total, and the bad areas of its medium found so far) taken now and then. Both are smoothed so
// that a stall or a burst does not throw them about: the speed is an exponential moving average
// over a few seconds, and the time left counts down between readings and moves towards each new
// estimate gradually. Nothing is estimated until the run has been seen making headway for a few
// seconds. A stretch without headway counts once headway comes back: as slow reading, or, when
// new bad areas were found meanwhile, as time spent on errors. The speed is then the healthy
// reading rate, and the time left that rate's time plus as much time for errors per byte as the
// run has met so far, so that a failing card's waits neither hide in the estimate nor blow it up.
class TXRateMeter {
 public:
  using TXClock = std::chrono::steady_clock;

  // Time constants of the smoothing, and how long the meter watches before it estimates.
  static constexpr std::chrono::milliseconds kWarmUp{2000};
  static constexpr std::chrono::milliseconds kSpeedSmoothing{6000};
  static constexpr std::chrono::milliseconds kTimeLeftSmoothing{4000};

  // Forgets everything: the next reading starts a run.
  void Restart();
  // A reading at the time; readings closer than a tenth of a second to the last are passed over.
  void Read(TXClock::time_point now, int64_t done, int64_t total, int64_t badAreas = 0);

  // Bytes per second; none before an estimate could be made.
  std::optional<double> Speed() const;
  // None before an estimate could be made or while the total is unknown; zero when done.
  std::optional<std::chrono::seconds> TimeLeft() const;

 private:
  void Estimate(TXClock::time_point now, double gap, int64_t done, int64_t total, bool errors);
  double ErrorSecondsPerByte(int64_t done) const;

  bool started_ = false;
  TXClock::time_point start_{};
  TXClock::time_point last_{};
  int64_t startDone_ = 0;
  int64_t lastDone_ = 0;
  bool finished_ = false;
  double stalled_ = 0;  // seconds without headway since the last reading that had some
  int64_t lastBadAreas_ = 0;
  double errorSeconds_ = 0;  // seconds of stretches in which bad areas were met
  std::optional<double> speed_;
  std::optional<double> timeLeft_;
};

}  // namespace kova
