#include "framework/worker_progress.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/aspects.h"
#include "framework/progress_node.h"

namespace kova {
namespace {

// A worker progress with a recorder of every announced position.
class ProgressFixture : public ::testing::Test {
 protected:
  ProgressFixture() {
    progress.AddObserver(TXHandler(this, "record", [this](AXNotification& n) {
      if (auto* a = n.AspectAs<TXProgressChangedAspect>()) announced.push_back(a->Position);
    }));
  }

  TXWorkerProgress progress{TXRefMode::rmNone};
  std::vector<int32_t> announced;
};

TEST(RoundHalfEvenTest, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(5, 2), 2);
  EXPECT_EQ(RoundHalfEven(7, 2), 4);
  EXPECT_EQ(RoundHalfEven(250, 100), 2);
  EXPECT_EQ(RoundHalfEven(251, 100), 3);
  EXPECT_EQ(RoundHalfEven(1000, 3), 333);
  EXPECT_EQ(RoundHalfEven(2000, 3), 667);
  EXPECT_EQ(RoundHalfEven(-5, 2), -2);
}

TEST_F(ProgressFixture, RootPositionAnnouncesOnceAndNeverMovesBack) {
  progress.SetPosition(500);
  progress.SetPosition(500);
  progress.SetPosition(400);
  EXPECT_EQ(announced, (std::vector<int32_t>{500}));
  EXPECT_EQ(progress.GetPosition(), 500);
}

TEST_F(ProgressFixture, HalfSectionAtTwoHundredMapsToTwoHundredToSevenHundred) {
  progress.SetPosition(200);
  progress.BeginSection("copy", 50);
  EXPECT_EQ(progress.Current().Base(), 200);
  EXPECT_EQ(progress.Current().Span(), 500);
  progress.SetPercent(50);
  EXPECT_EQ(progress.GetPosition(), 450);
  progress.EndSection();
  EXPECT_EQ(progress.GetPosition(), 700);
  EXPECT_EQ(progress.Current().Position(), 700u);
  EXPECT_EQ(progress.Depth(), 0);
  EXPECT_EQ(announced, (std::vector<int32_t>{200, 450, 700}));
}

TEST_F(ProgressFixture, ConsecutiveStepsCoverEqualQuarters) {
  progress.SetMax(4);
  progress.BeginStep("first");
  EXPECT_EQ(progress.Current().Base(), 0);
  EXPECT_EQ(progress.Current().Span(), 250);
  progress.EndSection();
  EXPECT_EQ(progress.GetPosition(), 250);
  progress.BeginStep("second");
  EXPECT_EQ(progress.Current().Base(), 250);
  EXPECT_EQ(progress.Current().Span(), 250);
  progress.SetPermille(500);
  EXPECT_EQ(progress.GetPosition(), 375);
  progress.EndSection();
  EXPECT_EQ(progress.GetPosition(), 500);
}

TEST_F(ProgressFixture, StepsOfUnevenUnitsStillTileTheWholeScale) {
  progress.SetMax(3);
  for (int i = 0; i < 3; ++i) {
    progress.BeginStep();
    progress.EndSection();
  }
  EXPECT_EQ(announced, (std::vector<int32_t>{333, 667, 1000}));
}

TEST_F(ProgressFixture, ZeroArgumentsChangeNothing) {
  progress.SetPosition(10);
  progress.SetMax(0);
  progress.StepBy(0);
  progress.Grow(0);
  EXPECT_EQ(progress.Current().Max(), 1000u);
  EXPECT_EQ(progress.Current().Position(), 10u);
  EXPECT_EQ(announced, (std::vector<int32_t>{10}));
}

TEST_F(ProgressFixture, GrowKeepsTheCompletedFraction) {
  progress.SetMax(10);
  progress.StepBy(5);
  progress.Grow(10);
  EXPECT_EQ(progress.Current().Max(), 20u);
  EXPECT_EQ(progress.Current().Position(), 10u);
  EXPECT_EQ(progress.GetPosition(), 500);
  EXPECT_EQ(announced, (std::vector<int32_t>{500}));
}

TEST_F(ProgressFixture, EndSectionOnTheRootAnnouncesTheFullScale) {
  progress.SetPosition(300);
  progress.EndSection();
  EXPECT_EQ(progress.GetPosition(), 1000);
  EXPECT_EQ(announced, (std::vector<int32_t>{300, 1000}));
}

TEST_F(ProgressFixture, NestedSectionsComposeTheirSpans) {
  progress.BeginSection("outer", 40);
  progress.SetPosition(500);
  progress.BeginSection("inner", 50);
  EXPECT_EQ(progress.Depth(), 2);
  EXPECT_EQ(progress.Current().Base(), 200);
  EXPECT_EQ(progress.Current().Span(), 200);
  progress.EndSection();
  EXPECT_EQ(progress.GetPosition(), 400);
  progress.EndSection();
  EXPECT_EQ(progress.GetPosition(), 400);
  EXPECT_EQ(progress.Depth(), 0);
}

TEST_F(ProgressFixture, OversizedSectionsAndHugeStepsStayOnTheScale) {
  progress.SetPosition(900);
  progress.BeginSection(250);
  progress.StepBy(4000000000u);
  progress.StepBy(4000000000u);
  EXPECT_EQ(progress.Current().Position(), 1000u);
  EXPECT_EQ(progress.GetPosition(), 1000);
  progress.SetMax(4294967295u);
  progress.Grow(4294967295u);
  EXPECT_EQ(progress.Current().Max(), 4294967295u);
  EXPECT_EQ(progress.GetPosition(), 1000);
}

TEST_F(ProgressFixture, ResetRewindsSilentlyAndTheNextRunAnnouncesItsEnd) {
  progress.BeginSection(50);
  progress.EndSection();
  progress.EndSection();
  ASSERT_EQ(announced.back(), 1000);
  announced.clear();

  progress.BeginSection(50);
  progress.Reset();
  EXPECT_TRUE(announced.empty());
  EXPECT_EQ(progress.GetPosition(), 0);
  EXPECT_EQ(progress.Depth(), 0);

  progress.SetPosition(1000);
  EXPECT_EQ(announced, (std::vector<int32_t>{1000}));
}

}  // namespace
}  // namespace kova
