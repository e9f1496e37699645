#include "framework/run_figures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "framework/rate_meter.h"

namespace kova {
namespace {

using namespace std::chrono_literals;
using TXClock = TXRateMeter::TXClock;

constexpr int64_t kMB = 1 << 20;

// Feeds a meter readings every half second on a clock of the test's own.
class MeterDrive {
 public:
  explicit MeterDrive(int64_t total) : total_(total) {}

  // Runs for the time at the speed (bytes per second), one reading per half second; answers the
  // time left after each reading.
  std::vector<double> Run(std::chrono::milliseconds span, double speed) {
    std::vector<double> left;
    for (auto t = 0ms; t < span; t += kStep) {
      now_ += kStep;
      done_ = std::min<int64_t>(total_, done_ + std::llround(speed * 0.5));
      meter.Read(now_, done_, total_, badAreas);
      if (auto value = meter.TimeLeft()) left.push_back(static_cast<double>(value->count()));
    }
    return left;
  }
  double TrueTimeLeft(double speed) const { return static_cast<double>(total_ - done_) / speed; }

  TXRateMeter meter;
  int64_t badAreas = 0;  // of the medium, as the run's figures tell them

 private:
  static constexpr auto kStep = 500ms;
  TXClock::time_point now_{};
  int64_t total_;
  int64_t done_ = 0;
};

TEST(RateMeterTest, ASteadyRunGetsItsSpeedAndTimeLeftAfterTheWarmUp) {
  MeterDrive drive(300 * kMB);
  drive.meter.Read({}, 0, 300 * kMB);
  EXPECT_TRUE(drive.Run(1500ms, 10.0 * kMB).empty()) << "nothing is told in the first seconds";
  EXPECT_FALSE(drive.meter.Speed());
  drive.Run(8500ms, 10.0 * kMB);
  ASSERT_TRUE(drive.meter.Speed());
  EXPECT_NEAR(*drive.meter.Speed(), 10.0 * kMB, 0.01 * kMB);
  ASSERT_TRUE(drive.meter.TimeLeft());
  EXPECT_NEAR(static_cast<double>(drive.meter.TimeLeft()->count()), 20.0, 1.0);
  drive.Run(25s, 10.0 * kMB);
  EXPECT_EQ(drive.meter.TimeLeft(), 0s) << "a finished run has no time left";
}

TEST(RateMeterTest, AStallDoesNotThrowTheTimeLeftAbout) {
  MeterDrive drive(600 * kMB);
  drive.Run(10s, 10.0 * kMB);
  std::vector<double> left = drive.Run(1500ms, 0);
  const std::vector<double> after = drive.Run(5s, 10.0 * kMB);
  left.insert(left.end(), after.begin(), after.end());
  for (size_t i = 1; i < left.size(); ++i)
    EXPECT_LT(std::fabs(left[i] - left[i - 1]), 0.05 * left[i - 1]) << "reading " << i;
}

TEST(RateMeterTest, AFailingCardsWaitsAddTheirTimeWithoutBlowingUpTheTimeLeft) {
  // 10 MB/s, and a bad area every 200 MB that keeps the card busy for 8 s: 0.14 s per MB.
  MeterDrive drive(3000 * kMB);
  drive.Run(20s, 10.0 * kMB);
  const double first = drive.TrueTimeLeft(10.0 * kMB) * 1.4;
  double most = 0;
  for (int area = 0; area < 4; ++area) {
    for (double left : drive.Run(8s, 0))
      most = std::max(most, left);
    ++drive.badAreas;
    for (double left : drive.Run(20s, 10.0 * kMB))
      most = std::max(most, left);
  }
  EXPECT_LT(most, 1.25 * first) << "the waits must not throw the time left up";
  EXPECT_NEAR(*drive.meter.Speed(), 10.0 * kMB, 0.5 * kMB) << "the healthy reading rate";
  const double truth = drive.TrueTimeLeft(10.0 * kMB) * 1.4;
  EXPECT_NEAR(static_cast<double>(drive.meter.TimeLeft()->count()), truth, 0.15 * truth);
}

TEST(RateMeterTest, TheEstimateFollowsARealChangeOfSpeed) {
  MeterDrive drive(2000 * kMB);
  drive.Run(10s, 20.0 * kMB);
  drive.Run(40s, 10.0 * kMB);
  ASSERT_TRUE(drive.meter.TimeLeft());
  EXPECT_NEAR(*drive.meter.Speed(), 10.0 * kMB, 0.2 * kMB);
  const double truth = drive.TrueTimeLeft(10.0 * kMB);
  EXPECT_NEAR(static_cast<double>(drive.meter.TimeLeft()->count()), truth, 0.05 * truth);
}

TEST(RateMeterTest, TimeBeforeTheFirstBytesDoesNotLowerTheSpeed) {
  MeterDrive drive(500 * kMB);
  drive.Run(20s, 0);
  EXPECT_FALSE(drive.meter.Speed());
  drive.Run(3s, 10.0 * kMB);
  ASSERT_TRUE(drive.meter.Speed());
  EXPECT_NEAR(*drive.meter.Speed(), 10.0 * kMB, 1.0 * kMB);
}

TEST(RateMeterTest, AnUnknownTotalGivesASpeedButNoTimeLeftAndRestartForgets) {
  TXRateMeter meter;
  TXClock::time_point now{};
  for (int64_t done = 0; done <= 50 * kMB; done += 5 * kMB, now += 1s)
    meter.Read(now, done, 0);
  ASSERT_TRUE(meter.Speed());
  EXPECT_NEAR(*meter.Speed(), 5.0 * kMB, 0.01 * kMB);
  EXPECT_FALSE(meter.TimeLeft());
  meter.Restart();
  EXPECT_FALSE(meter.Speed());
}

TEST(RunFiguresTest, DoneNeverMovesBackNorReadsBeyondTheTotal) {
  TXRunFigures figures;
  figures.SetTotal(1000);
  figures.ReachDone(400);
  figures.ReachDone(300);
  EXPECT_EQ(figures.Read().Done, 400);
  figures.AddDone(900);
  EXPECT_EQ(figures.Read().Done, 1000);
  figures.Reset();
  EXPECT_EQ(figures.Read().Done, 0);
  EXPECT_EQ(figures.Read().Total, 0);
}

TEST(RunFiguresTest, FiguresWrittenOnOneThreadAreReadWholeOnAnother) {
  TXRunFigures figures;
  figures.SetTotal(int64_t{1} << 40);
  std::thread run([&] {
    for (int i = 0; i < 100000; ++i) {
      figures.AddDone(4096);
      if (i % 10 == 0) figures.CountFile();
    }
    figures.CountFailures(3);
  });
  int64_t lastDone = 0;
  for (TXRunFigures::TXSnapshot seen; seen.Failed == 0; seen = figures.Read()) {
    EXPECT_GE(seen.Done, lastDone);
    lastDone = seen.Done;
  }
  run.join();
  const TXRunFigures::TXSnapshot end = figures.Read();
  EXPECT_EQ(end.Done, int64_t{100000} * 4096);
  EXPECT_EQ(end.Files, 10000);
  EXPECT_EQ(end.Failed, 3);
}

}  // namespace
}  // namespace kova
