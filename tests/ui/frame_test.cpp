#include <gtest/gtest.h>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/engine.h"
#include "persistence/lg_manager.h"
#include "ui/custom_frame.h"

namespace kova {
namespace {

// Counts its hooks and the aspects dispatched on it.
class CountingFrame : public TXCustomFrame {
 public:
  using TXCustomFrame::TXCustomFrame;
  ~CountingFrame() override { Observable().RemoveObserversOf(this); }

  void Watch() {
    Observable().AddObserver(TXHandler(this, "watch", [this](AXNotification& n) {
      if (n.AspectAs<TXShownAspect>()) ++shownAspects;
      if (n.AspectAs<TXHiddenAspect>()) ++hiddenAspects;
      if (auto* log = n.AspectAs<TXLogStringAspect>()) forwarded.push_back(log->Text);
      if (auto* action = n.AspectAs<TXActionAspect>()) actions.push_back(action->Action);
    }));
  }

  void InitPageData(AXNotification&) override { ++initData; }
  void SubmitPageData(AXNotification&) override { ++submitData; }
  void ApplyLanguage() override { ++languages; }

  int initialized = 0, shown = 0, hidden = 0, resized = 0, languages = 0;
  int shownAspects = 0, hiddenAspects = 0, initData = 0, submitData = 0;
  std::vector<std::string> forwarded;
  std::vector<int32_t> actions;

 protected:
  void Initialize() override { ++initialized; }
  void Shown() override { ++shown; }
  void Hidden() override { ++hidden; }
  void Resized() override { ++resized; }
};

TEST(FrameTest, TheObservableIsAttachedToTheNearestEngine) {
  TXEngine engine;
  std::unique_ptr<CountingFrame> own(MakeFrame<CountingFrame>(nullptr, &engine));
  EXPECT_EQ(own->Observable().Container(), &engine);
  EXPECT_EQ(own->Engine(), &engine);
  auto* inner = MakeFrame<CountingFrame>(own.get());
  EXPECT_EQ(inner->Observable().Container(), &engine);
  std::unique_ptr<CountingFrame> alone(MakeFrame<CountingFrame>());
  EXPECT_EQ(alone->Observable().Container(), &CoreApp().Engine());
}

TEST(FrameTest, HooksRunOnceAndVisibilityIsAnnounced) {
  QWidget host;
  std::unique_ptr<CountingFrame> frame(MakeFrame<CountingFrame>());
  frame->Watch();
  EXPECT_EQ(frame->initialized, 1);
  EXPECT_EQ(frame->languages, 1);
  frame->setParent(&host);
  EXPECT_EQ(frame->languages, 2);
  host.show();
  EXPECT_EQ(frame->shown, 1);
  EXPECT_EQ(frame->shownAspects, 1);
  frame->hide();
  EXPECT_EQ(frame->hidden, 1);
  EXPECT_EQ(frame->hiddenAspects, 1);
  frame->resize(300, 200);
  frame->show();
  EXPECT_EQ(frame->shown, 2);
  EXPECT_GE(frame->resized, 1);
  LanguageManager().Apply();
  EXPECT_EQ(frame->languages, 3);
  EXPECT_EQ(frame->initialized, 1);
  frame->setParent(nullptr);
}

TEST(FrameTest, AFrameMadeWithoutMakeFrameInitialisesWhenParented) {
  QWidget host;
  auto* frame = new CountingFrame();
  EXPECT_EQ(frame->initialized, 0);
  frame->setParent(&host);
  EXPECT_EQ(frame->initialized, 1);
  EXPECT_EQ(frame->languages, 2);
}

TEST(FrameTest, DestructionIsAnnouncedAndTheLanguageHookGoes) {
  const size_t before = LanguageManager().Count();
  auto* frame = MakeFrame<CountingFrame>();
  EXPECT_EQ(LanguageManager().Count(), before + 1);
  int destroying = 0;
  frame->Observable().AddObserver(TXHandler(&destroying, "destroying", [&](AXNotification& n) {
    if (n.AspectAs<TXDestroyingAspect>()) ++destroying;
  }));
  delete frame;
  EXPECT_EQ(destroying, 1);
  EXPECT_EQ(LanguageManager().Count(), before);
}

TEST(FrameTest, SubscriptionsPassActionsAndForwardOtherNotifications) {
  TXObservable wizard;
  std::unique_ptr<CountingFrame> frame(MakeFrame<CountingFrame>());
  frame->Watch();
  frame->Subscribe(wizard, AspectClassOf<TXActionAspect>());
  frame->Subscribe(wizard, AspectClassOf<TXLogStringAspect>());
  frame->Subscribe(wizard, AspectClassOf<TXDialogInitPageDataAspect>());
  frame->Subscribe(wizard, AspectClassOf<TXDialogUpdatePageDataAspect>());
  DispatchAspect<TXActionAspect>(wizard, -500);
  DispatchAspect<TXLogStringAspect>(wizard, "line");
  DispatchAspect<TXDialogInitPageDataAspect>(wizard);
  DispatchAspect<TXDialogUpdatePageDataAspect>(wizard);
  EXPECT_EQ(frame->actions, std::vector<int32_t>{-500});
  EXPECT_EQ(frame->forwarded, std::vector<std::string>{"line"});
  EXPECT_EQ(frame->initData, 1);
  EXPECT_EQ(frame->submitData, 1);
  frame->Unsubscribe(wizard, AspectClassOf<TXLogStringAspect>());
  DispatchAspect<TXLogStringAspect>(wizard, "gone");
  EXPECT_EQ(frame->forwarded.size(), 1u);
}

TEST(FrameTest, SubscriptionsEndWithTheFrameOrWithTheSource) {
  TXObservable wizard;
  auto* frame = MakeFrame<CountingFrame>();
  frame->Subscribe(wizard, AspectClassOf<TXLogStringAspect>());
  frame->Subscribe(wizard, AspectClassOf<TXActionAspect>());
  EXPECT_EQ(wizard.ObserverCount(), 2u);
  delete frame;
  EXPECT_EQ(wizard.ObserverCount(), 0u);
  DispatchAspect<TXLogStringAspect>(wizard, "nobody listens");

  std::unique_ptr<CountingFrame> survivor(MakeFrame<CountingFrame>());
  survivor->Watch();
  {
    TXObservable shortLived;
    survivor->Subscribe(shortLived, AspectClassOf<TXLogStringAspect>());
  }
  survivor->Subscribe(wizard, AspectClassOf<TXLogStringAspect>());
  DispatchAspect<TXLogStringAspect>(wizard, "still heard");
  EXPECT_EQ(survivor->forwarded, std::vector<std::string>{"still heard"});
}

TEST(FrameTest, ASourceThatDropsTheFramesEntriesAndGoesLeavesTheFrameSound) {
  std::unique_ptr<CountingFrame> frame(MakeFrame<CountingFrame>());
  {
    TXObservable wizard;
    frame->Subscribe(wizard, AspectClassOf<TXLogStringAspect>());
    wizard.RemoveObserversOf(frame.get());
    EXPECT_EQ(wizard.ObserverCount(), 0u);
  }
  frame.reset();
}

TEST(FrameTest, RecoveryPagesHaveTheirSizeAndPadding) {
  TXCustomDRFrame frame;
  EXPECT_EQ(frame.size(), QSize(624, 356));
  EXPECT_EQ(frame.contentsMargins(), QMargins(8, 12, 8, 8));
}

}  // namespace
}  // namespace kova
