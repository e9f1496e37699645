#include "framework/progress_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/headless_loop.h"

namespace kova {
namespace {

// A progress gear in an engine, with the announcements its observers receive as text.
class ProgressManagerFixture : public ::testing::Test {
 protected:
  ProgressManagerFixture() {
    gear.AddObserver(TXHandler(this, "record", [this](AXNotification& n) {
      if (auto* s = n.AspectAs<TXProgressSectionChangedAspect>()) {
        heard.push_back("section " + s->Section);
      } else if (auto* st = n.AspectAs<TXProgressStyleChangedAspect>()) {
        heard.push_back("style " + std::to_string(st->Style));
      } else if (auto* p = n.AspectAs<TXProgressChangedAspect>()) {
        heard.push_back(std::to_string(p->Position));
      }
    }));
  }
  std::vector<std::string> Heard() {
    loop.ProcessPending();
    return std::exchange(heard, {});
  }

  TXHeadlessLoop loop;
  TXEngine engine{loop};
  TXProgressGear& gear = engine.CreateGear<TXProgressGear>("progress");
  TXProgressManager& manager = gear.Manager();
  std::vector<std::string> heard;
};

TEST_F(ProgressManagerFixture, StartAnnouncesSectionStyleAndPositionThroughTheGear) {
  manager.SetStyle(1);
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(Heard(), (std::vector<std::string>{"style 1"}));
  manager.Start("");
  EXPECT_TRUE(manager.Busy());
  EXPECT_FALSE(manager.IsTerminated());
  EXPECT_EQ(Heard(), (std::vector<std::string>{"section ", "style 1", "0"}));
  manager.SetSection("Downloading");
  manager.SetSection("Downloading");
  manager.SetStyle(1);
  manager.SetStyle(0);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"section Downloading", "style 0"}));
}

TEST_F(ProgressManagerFixture, SectionsUseOnlySevenBitsOfTheirPercentage) {
  manager.Start("run");
  Heard();
  TXProgress& transfer = manager.Root().BeginSection(0x80 | 98);
  EXPECT_EQ(transfer.Span(), 980);
  EXPECT_EQ(&manager.Current(), &transfer);
  transfer.SetPercent(50);
  transfer.EndSection();
  EXPECT_EQ(&manager.Current(), &manager.Root());
  TXProgress& finish = manager.Root().BeginSection(2);
  finish.EndSection();
  EXPECT_EQ(Heard(), (std::vector<std::string>{"490", "980", "1000"}));
}

TEST_F(ProgressManagerFixture, OpeningAStepClosesTheOneLeftOpen) {
  manager.Start("files");
  TXProgress& files = manager.Root().BeginSection(100);
  files.SetMaxClamp(4);
  files.BeginStep().SetPercent(50);
  files.BeginStep().EndSection();
  EXPECT_EQ(files.Position(), 2u);
  EXPECT_EQ(manager.GetPosition(), 500);
  // A step already closed is not closed again: the section keeps the position it moved to.
  files.SetPosition(3);
  files.BeginStep();
  EXPECT_EQ(files.Position(), 3u);
  EXPECT_EQ(manager.Current().Base(), 750);
}

TEST_F(ProgressManagerFixture, ClosingTheRootFinishesTheRunAndTerminatingClearsBusy) {
  manager.Start("run");
  manager.Root().BeginSection(40);
  manager.Root().EndSection();
  EXPECT_EQ(manager.GetPosition(), 1000);
  EXPECT_FALSE(manager.Current().IsOpen());
  EXPECT_EQ(Heard(), (std::vector<std::string>{"section run", "style 0", "0", "400", "1000"}));
  manager.Terminate(TXErrorData{});
  EXPECT_FALSE(manager.Busy());
}

TEST_F(ProgressManagerFixture, ASecondRunStartsAgainFromZero) {
  manager.Start("first");
  manager.Root().SetPosition(1000);
  manager.Terminate(TXErrorData{});
  Heard();
  manager.Start("second");
  manager.Root().SetPosition(300);
  EXPECT_EQ(manager.GetPosition(), 300);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"section second", "style 0", "0", "300"}));
}

TEST(ProgressManagerTest, WithoutAGearTheManagerAnnouncesOnItself) {
  TXRef<TXProgressManager> manager;
  {
    TXProgressGear gear;
    manager = &gear.Manager();
  }
  std::vector<int32_t> positions;
  manager->AddObserver(TXHandler(&positions, "record", [&](AXNotification& n) {
    if (auto* p = n.AspectAs<TXProgressChangedAspect>()) positions.push_back(p->Position);
  }));
  manager->Start({});
  manager->Root().SetPermille(125);
  EXPECT_EQ(positions, (std::vector<int32_t>{0, 125}));
}

}  // namespace
}  // namespace kova
