#include "framework/engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/aspects.h"
#include "framework/headless_loop.h"

namespace kova {
namespace {

using namespace std::chrono_literals;

class NumberAspect : public TXCustomAspect {
 public:
  explicit NumberAspect(int value) : Value(value) {}
  int Value;
};

// A gear that records the numbers it receives and the threads they arrive on.
class RecordingGear : public TXGear {
 public:
  explicit RecordingGear(std::string name = {}) : TXGear(std::move(name)) {
    AddObserver(TXHandler(this, "record", [this](AXNotification& n) {
      if (auto* a = n.AspectAs<NumberAspect>()) {
        values.push_back(a->Value);
        threads.push_back(std::this_thread::get_id());
      }
    }));
  }
  void Startup() override { log->push_back(GetName() + " up"); }
  void Shutdown() override { log->push_back(GetName() + " down"); }

  std::vector<int> values;
  std::vector<std::thread::id> threads;
  std::vector<std::string>* log = &ownLog;
  std::vector<std::string> ownLog;
};

class RecordingCommand : public TXCommand {
 public:
  RecordingCommand(std::vector<std::string>& log, bool allowed) : log_(log), allowed_(allowed) {}
  bool CanExecute() override { return allowed_; }
  void Execute() override { log_.push_back("executed"); }

 private:
  std::vector<std::string>& log_;
  bool allowed_;
};

class EngineFixture : public ::testing::Test {
 protected:
  TXHeadlessLoop loop;
  TXEngine engine{loop};
};

TEST_F(EngineFixture, BurstFromAWorkerThreadArrivesInOrderOnTheLoopThreadWithFewWakeUps) {
  constexpr int kPosts = 10000;
  auto& gear = engine.CreateGear<RecordingGear>("numbers");
  std::thread worker([&] {
    for (int i = 0; i < kPosts; ++i)
      PostAspect<NumberAspect>(gear, i);
  });
  ASSERT_TRUE(loop.RunUntil([&] { return gear.values.size() == kPosts; }, 60s));
  worker.join();
  loop.ProcessPending();
  ASSERT_EQ(gear.values.size(), static_cast<size_t>(kPosts));
  for (int i = 0; i < kPosts; ++i)
    ASSERT_EQ(gear.values[i], i);
  for (std::thread::id id : gear.threads)
    ASSERT_EQ(id, std::this_thread::get_id());
  // Each wake-up drains everything queued by then; how many there are depends on scheduling.
  RecordProperty("wake_ups", std::to_string(loop.WakeUpsDelivered()));
  EXPECT_LT(loop.WakeUpsDelivered(), static_cast<uint64_t>(kPosts / 4));
  EXPECT_EQ(engine.PendingMessages(), 0u);
}

TEST_F(EngineFixture, BurstPostedBeforeTheLoopRunsCostsOneWakeUp) {
  auto& gear = engine.CreateGear<RecordingGear>();
  for (int i = 0; i < 500; ++i)
    PostAspect<NumberAspect>(gear, i);
  EXPECT_TRUE(gear.values.empty());
  loop.ProcessPending();
  EXPECT_EQ(gear.values.size(), 500u);
  EXPECT_EQ(loop.WakeUpsDelivered(), 1u);
}

TEST_F(EngineFixture, MessagesToAnObservableDestroyedBeforeTheDrainNeverArrive) {
  auto& survivor = engine.CreateGear<RecordingGear>("survivor");
  int delivered = 0;
  {
    TXObservable doomed;
    doomed.SetContainer(&engine);
    doomed.AddObserver(TXHandler(&delivered, "count", [&](AXNotification&) { ++delivered; }));
    PostAspect<NumberAspect>(doomed, 1);
    PostAspect<NumberAspect>(survivor, 2);
    PostAspect<NumberAspect>(doomed, 3);
    EXPECT_EQ(engine.PendingMessages(), 3u);
  }
  EXPECT_EQ(engine.PendingMessages(), 1u);
  loop.ProcessPending();
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(survivor.values, (std::vector<int>{2}));
}

TEST_F(EngineFixture, RemovedGearLosesItsQueuedMessages) {
  auto& gear = engine.CreateGear<RecordingGear>("leaving");
  PostAspect<NumberAspect>(gear, 1);
  std::unique_ptr<TXCustomGear> removed = engine.RemoveGear(gear);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->Container(), nullptr);
  EXPECT_EQ(engine.PendingMessages(), 0u);
  EXPECT_EQ(engine.FindGear("leaving"), nullptr);
}

TEST_F(EngineFixture, SendDeliversWaitingPostsFirstBeforeItReturns) {
  auto& gear = engine.CreateGear<RecordingGear>();
  PostAspect<NumberAspect>(gear, 1);
  PostAspect<NumberAspect>(gear, 2);
  SendAspect<NumberAspect>(gear, 3);
  EXPECT_EQ(gear.values, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(loop.ProcessPending(), 1u);
  EXPECT_EQ(gear.values.size(), 3u);
}

TEST_F(EngineFixture, PostsMadeByAHandlerAreDeliveredByTheSameDrain) {
  auto& gear = engine.CreateGear<RecordingGear>();
  gear.AddObserver(TXHandler(&gear, "chain", [&](AXNotification& n) {
    if (auto* a = n.AspectAs<NumberAspect>(); a && a->Value < 3)
      PostAspect<NumberAspect>(gear, a->Value + 1);
  }));
  PostAspect<NumberAspect>(gear, 0);
  loop.ProcessPending();
  EXPECT_EQ(gear.values, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(EngineFixture, SendFromAnotherThreadIsDeliveredOnTheEngineThread) {
  auto& gear = engine.CreateGear<RecordingGear>();
  std::thread other([&] { SendAspect<NumberAspect>(gear, 7); });
  other.join();
  EXPECT_TRUE(gear.values.empty());
  loop.ProcessPending();
  ASSERT_EQ(gear.values, (std::vector<int>{7}));
  EXPECT_EQ(gear.threads[0], std::this_thread::get_id());
}

TEST_F(EngineFixture, FindGearAnswersTheFirstGearAddedUnderAName) {
  auto& first = engine.CreateGear<RecordingGear>("twin");
  engine.CreateGear<RecordingGear>("twin");
  EXPECT_EQ(engine.FindGear("twin"), &first);
  EXPECT_EQ(engine.FindGear<RecordingGear>("twin"), &first);
  EXPECT_EQ(engine.FindGear("Twin"), nullptr);
  EXPECT_EQ(engine.FindGear("unknown"), nullptr);
}

TEST_F(EngineFixture, LifecycleHooksReachTheGearsInListOrder) {
  std::vector<std::string> log;
  for (const char* name : {"data", "view", "worker"})
    engine.CreateGear<RecordingGear>(name).log = &log;
  engine.Startup();
  engine.Shutdown();
  EXPECT_EQ(log, (std::vector<std::string>{"data up", "view up", "worker up", "data down",
                                           "view down", "worker down"}));
}

TEST_F(EngineFixture, CommandsRunOnlyWhenTheyMayAndOnlyForGears) {
  auto& gear = engine.CreateGear<RecordingGear>();
  std::vector<std::string> log;
  engine.PostCommand(gear, MakeRef<RecordingCommand>(log, true));
  engine.PostCommand(gear, MakeRef<RecordingCommand>(log, false));
  EXPECT_TRUE(log.empty());
  loop.ProcessPending();
  EXPECT_EQ(log, (std::vector<std::string>{"executed"}));
  engine.SendCommand(gear, MakeRef<RecordingCommand>(log, true));
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(EngineFixture, FailingHandlerLeavesTheRestForTheNextDrain) {
  auto& gear = engine.CreateGear<RecordingGear>();
  gear.AddObserver(TXHandler(&gear, "fail", [](AXNotification& n) {
    if (auto* a = n.AspectAs<NumberAspect>(); a && a->Value == 2)
      throw std::runtime_error("bad two");
  }));
  for (int i = 1; i <= 4; ++i)
    PostAspect<NumberAspect>(gear, i);
  EXPECT_THROW(engine.ProcessMessages(), std::runtime_error);
  EXPECT_EQ(gear.values, (std::vector<int>{1, 2}));
  EXPECT_EQ(engine.PendingMessages(), 2u);
  loop.ProcessPending();
  EXPECT_EQ(gear.values, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(EngineFixture, FailureInAPostedHandlerIsRecordedAndTheQueueStillEmpties) {
  auto& gear = engine.CreateGear<RecordingGear>();
  gear.AddObserver(TXHandler(&gear, "fail", [](AXNotification& n) {
    if (auto* a = n.AspectAs<NumberAspect>(); a && a->Value == 1)
      throw std::runtime_error("bad one");
  }));
  ClearThreadError();
  for (int i = 0; i < 3; ++i)
    PostAspect<NumberAspect>(gear, i);
  loop.ProcessPending();
  EXPECT_EQ(gear.values, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ThreadError().Text, "bad one");
  ClearThreadError();
}

TEST_F(EngineFixture, DestroyingTheEngineReleasesQueuedMessagesUndelivered) {
  auto notification = MakeNotification<NumberAspect>(5);
  {
    TXEngine doomed(loop);
    auto& gear = doomed.CreateGear<RecordingGear>();
    gear.Post(notification);
    EXPECT_EQ(notification->RefCount(), 2);
  }
  EXPECT_EQ(notification->RefCount(), 1);
  EXPECT_EQ(loop.ProcessPending(), 0u);
}

TEST_F(EngineFixture, InvokeRunsOnTheEngineThreadAndWaitsForTheResult) {
  std::optional<std::thread::id> ranOn;
  bool handedOver = false;
  std::thread worker(
      [&] { handedOver = engine.Invoke([&] { ranOn = std::this_thread::get_id(); }); });
  ASSERT_TRUE(loop.RunUntil([&] { return ranOn.has_value(); }, 60s));
  worker.join();
  EXPECT_TRUE(handedOver);
  EXPECT_EQ(*ranOn, std::this_thread::get_id());
}

TEST_F(EngineFixture, InvokeOnTheEngineThreadRunsAtOnce) {
  int calls = 0;
  EXPECT_TRUE(engine.Invoke([&] { ++calls; }));
  EXPECT_EQ(calls, 1);
}

TEST_F(EngineFixture, InvokeCarriesTheProcedureFailureBackToTheWaitingThread) {
  std::atomic<bool> caught{false};
  bool ran = false;
  std::thread worker([&] {
    try {
      engine.Invoke([&] {
        ran = true;
        throw EXError(kErrWrite);
      });
    } catch (const EXError& error) {
      caught = error.Code() == kErrWrite;
    }
  });
  ASSERT_TRUE(loop.RunUntil([&] { return ran; }, 60s));
  worker.join();
  EXPECT_TRUE(caught);
}

// An engine without a hidden window: posting to it touches nothing but its queue.
class BareEngine : public TXCustomEngine {
 public:
  BareEngine() : TXCustomEngine(nullptr) {}
};

TEST_F(EngineFixture, InvokeFailsWhenTheEngineGoesWithoutRunningIt) {
  auto doomed = std::make_unique<BareEngine>();
  std::atomic<int> result{-1};
  bool ran = false;
  std::thread worker([&] { result = doomed->Invoke([&] { ran = true; }) ? 1 : 0; });
  while (doomed->PendingMessages() == 0)
    std::this_thread::yield();
  doomed.reset();
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TEST_F(EngineFixture, InvokeIsAbandonedWhenTheCallerGivesUpBeforeItStarts) {
  std::atomic<bool> giveUp{false};
  std::atomic<int> result{-1};
  bool ran = false;
  std::thread worker(
      [&] { result = engine.Invoke([&] { ran = true; }, [&] { return giveUp.load(); }) ? 1 : 0; });
  while (engine.PendingMessages() == 0)
    std::this_thread::yield();
  giveUp = true;
  worker.join();
  loop.ProcessPending();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TEST(EngineWithoutWindowTest, PostsWaitForAnExplicitDrain) {
  BareEngine engine;
  auto& gear = engine.CreateGear<RecordingGear>();
  PostAspect<NumberAspect>(gear, 1);
  EXPECT_EQ(engine.GetHandle(), 0u);
  EXPECT_TRUE(gear.values.empty());
  engine.ProcessMessages();
  EXPECT_EQ(gear.values, (std::vector<int>{1}));
}

}  // namespace
}  // namespace kova
