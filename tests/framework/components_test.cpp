#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/component.h"
#include "framework/gear_box.h"
#include "framework/headless_loop.h"
#include "framework/msg_window.h"

namespace kova::components {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A component that logs what happens to it into a shared log.
class LoggingComponent : public TXComponent {
 public:
  LoggingComponent(TXComponent* owner, std::string name, std::vector<std::string>& log)
      : TXComponent(owner, std::move(name)), log_(log) {}
  ~LoggingComponent() override { log_.push_back("free " + Name()); }

 protected:
  void Notification(TXComponent& component, TXOperation operation) override {
    log_.push_back(Name() + (operation == TXOperation::opInsert ? " +" : " -") + component.Name());
  }

 private:
  std::vector<std::string>& log_;
};

TEST(ComponentTest, OwnerFreesItsComponentsNewestFirstAndFindsThemByName) {
  std::vector<std::string> log;
  {
    LoggingComponent owner(nullptr, "owner", log);
    owner.Create<LoggingComponent>("first", log);
    auto& second = owner.Create<LoggingComponent>("second", log);
    EXPECT_EQ(owner.FindComponent("SECOND"), &second);
    EXPECT_EQ(second.Owner(), &owner);
    EXPECT_EQ(owner.FindComponent("third"), nullptr);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"owner +first", "owner +second", "free owner",
                                           "free second", "free first"}));
}

TEST(ComponentTest, FreeNotificationsReachTheSurvivingPartnerOnce) {
  std::vector<std::string> log;
  LoggingComponent owner(nullptr, "owner", log);
  auto& wrapper = owner.Create<LoggingComponent>("wrapper", log);
  auto& dialog = owner.Create<LoggingComponent>("dialog", log);
  wrapper.FreeNotification(dialog);
  wrapper.FreeNotification(dialog);
  log.clear();
  owner.FreeComponent(dialog);
  EXPECT_EQ(log, (std::vector<std::string>{"owner -dialog", "free dialog", "wrapper -dialog"}));
  log.clear();
  owner.FreeComponent(wrapper);
  EXPECT_EQ(log, (std::vector<std::string>{"owner -wrapper", "free wrapper"}));
  EXPECT_TRUE(owner.Components().empty());
}

// A gear that logs commands, closing permission and handle changes.
class LoggingGear : public TXGear {
 public:
  LoggingGear(TXComponent* owner, std::string name, std::vector<std::string>& log,
              bool mayClose = true)
      : TXGear(owner, std::move(name)), log_(log), mayClose_(mayClose) {}
  bool CanClose() override {
    log_.push_back(Name() + " asked");
    return mayClose_;
  }
  void ReleaseHandle() override { log_.push_back(Name() + " released"); }
  Clock::time_point doneAt;
  std::thread::id doneOn;

 protected:
  void DoIntCommand(const TXIntCommand& command) override {
    log_.push_back(Name() + " do " + std::to_string(command.Command) + " " + command.Args);
    doneAt = Clock::now();
    doneOn = std::this_thread::get_id();
  }

 private:
  std::vector<std::string>& log_;
  bool mayClose_;
};

TEST(GearComponentTest, IntCommandRunsTheGearFirstThenItsEvent) {
  std::vector<std::string> log;
  LoggingGear gear(nullptr, "gear", log);
  EXPECT_TRUE(gear.Active());
  gear.IntCommand({nullptr, 0, xhtCustom, "button", 102, "stop"});
  gear.OnIntCommand = [&](const TXIntCommand& c) { log.push_back("event " + c.HitName); };
  gear.IntCommand({nullptr, 0, xhtCustom, "button", 107, "start"});
  EXPECT_EQ(log,
            (std::vector<std::string>{"gear do 102 stop", "gear do 107 start", "event button"}));
}

TEST(GearComponentTest, PostedIntCommandArrivesLaterOnTheLoopThread) {
  std::vector<std::string> log;
  LoggingGear gear(nullptr, "gear", log);
  Clock::time_point eventAt;
  gear.OnIntCommand = [&](const TXIntCommand&) {
    log.push_back("event");
    eventAt = Clock::now();
  };
  const Clock::time_point posted = Clock::now();
  std::thread poster([&] { gear.PostIntCommand({nullptr, 0, xhtNone, {}, 108, {}}); });
  poster.join();
  EXPECT_TRUE(log.empty());
  ASSERT_TRUE(ProcessHeadlessLoop().RunUntil([&] { return log.size() == 2; }, 60s));
  EXPECT_EQ(log, (std::vector<std::string>{"gear do 108 ", "event"}));
  EXPECT_GE(gear.doneAt - posted, 20ms);
  EXPECT_GE(eventAt - posted, 50ms);
  EXPECT_EQ(gear.doneOn, std::this_thread::get_id());
}

TEST(GearComponentTest, DelayedCommandsOfAGearThatIsGoneAreDropped) {
  std::vector<std::string> log;
  {
    LoggingGear gear(nullptr, "gear", log);
    gear.OnIntCommand = [&](const TXIntCommand&) { log.push_back("event"); };
    gear.PostIntCommand({});
  }
  // Timers fire in due order: once this later one fired, the dropped ones would have.
  bool later = false;
  ProcessHeadlessLoop().StartTimer(80, [&] { later = true; });
  ASSERT_TRUE(ProcessHeadlessLoop().RunUntil([&] { return later; }, 60s));
  EXPECT_TRUE(log.empty());
}

TEST(GearBoxTest, HandlesReachPlainGearsWhileWindowedGearsKeepTheirOwn) {
  std::vector<std::string> log;
  TXEngineBox engine;
  ASSERT_NE(engine.Handle(), 0u);
  auto& plain = engine.AddGear<LoggingGear>("plain", log);
  auto& messages = engine.AddGear<TXMessageGear>("messages");
  auto& inner = engine.AddGear<TXEngineBox>("inner");
  auto& nested = inner.AddGear<LoggingGear>("nested", log);
  EXPECT_EQ(plain.Handle(), engine.Handle());
  EXPECT_EQ(messages.Handle(), messages.Window().Handle());
  EXPECT_NE(messages.Handle(), engine.Handle());
  EXPECT_EQ(nested.Handle(), inner.Window().Handle());

  TXGearBox box;
  auto& boxed = box.AddGear<LoggingGear>("boxed", log);
  auto& boxedMessages = box.AddGear<TXMessageGear>("boxedMessages");
  box.SetHandle(engine.Handle());
  EXPECT_EQ(boxed.Handle(), engine.Handle());
  EXPECT_EQ(boxedMessages.Handle(), boxedMessages.Window().Handle());
}

TEST(GearBoxTest, EveryGearIsAskedBeforeTheBoxCloses) {
  std::vector<std::string> log;
  TXGearBox box;
  box.AddGear<LoggingGear>("first", log, false);
  box.AddGear<LoggingGear>("second", log, true);
  EXPECT_FALSE(box.CanClose());
  EXPECT_EQ(log, (std::vector<std::string>{"first asked", "second asked"}));
}

TEST(GearBoxTest, ReleasingTheHandleReachesTheGearsInOrderAlsoWhenTheBoxGoes) {
  std::vector<std::string> log;
  {
    TXEngineBox box;
    box.AddGear<LoggingGear>("first", log);
    auto& second = box.AddGear<LoggingGear>("second", log);
    box.AddGear<LoggingGear>("third", log);
    box.FreeComponent(second);
    EXPECT_EQ(box.Gears().size(), 2u);
    box.ReleaseHandle();
    EXPECT_EQ(log, (std::vector<std::string>{"first released", "third released"}));
    log.clear();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"first released", "third released"}));
}

TEST(MsgWindowTest, RoutesTheLoopEventsAndItsOwnMessages) {
  TXHeadlessLoop& loop = ProcessHeadlessLoop();
  std::vector<std::string> log;
  {
    TXMsgWindow window;
    EXPECT_NE(loop.EventSink(), nullptr);
    window.OnException = [&](std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        log.push_back(std::string("exception ") + e.what());
      }
    };
    window.OnXMessage = [&](TXWindowMessage& m, bool& handled) {
      log.push_back("message " + std::to_string(m.Msg - kWmApp));
      handled = true;
    };
    window.OnActivate = [&] { log.push_back("activate"); };
    window.OnMinimize = [&] { log.push_back("minimize"); };
    window.OnRestore = [&] { log.push_back("restore"); };
    int idles = 0;
    window.OnIdle = [&] { ++idles; };

    loop.StartTimer(0, [] { throw std::runtime_error("timer"); });
    EXPECT_TRUE(PostWindowMessage(window.Handle(), kWmApp + 7));
    loop.EventSink()->LoopActivation(false);
    loop.EventSink()->LoopActivation(true);
    loop.EventSink()->LoopMinimized(true);
    loop.EventSink()->LoopMinimized(false);
    loop.EventSink()->LoopIdle();
    // Not Run: a quit request of the process's loop would terminate the application object.
    ASSERT_TRUE(loop.RunUntil([&] { return log.size() == 5; }, 60s));
    EXPECT_GE(idles, 1);
  }
  EXPECT_EQ(loop.EventSink(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"activate", "minimize", "restore", "message 7",
                                           "exception timer"}));
}

}  // namespace
}  // namespace kova::components
