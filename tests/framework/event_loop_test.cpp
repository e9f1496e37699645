#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/aspects.h"
#include "framework/engine.h"
#include "framework/handle_manager.h"
#include "framework/headless_loop.h"

namespace kova {
namespace {

using namespace std::chrono_literals;

class CountingClient : public IXLoopClient {
 public:
  void LoopWake() override { ++wakes; }
  void LoopQuit(int exitCode) override { quitCodes.push_back(exitCode); }
  int wakes = 0;
  std::vector<int> quitCodes;
};

class RecordingSink : public IXLoopEventSink {
 public:
  void LoopException(std::exception_ptr error) override {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      errors.push_back(e.what());
    }
  }
  void LoopIdle() override { ++idles; }
  void LoopActivation(bool) override {}
  void LoopMinimized(bool) override {}
  std::vector<std::string> errors;
  int idles = 0;
};

TEST(HeadlessLoopTest, WakeRequestsJoinWhileOneIsPending) {
  TXHeadlessLoop loop;
  CountingClient client;
  const TXLoopClientId id = loop.AddClient(client);
  for (int i = 0; i < 100; ++i)
    loop.Wake(id);
  EXPECT_EQ(loop.ProcessPending(), 1u);
  EXPECT_EQ(client.wakes, 1);
  loop.Wake(id);
  loop.ProcessPending();
  EXPECT_EQ(client.wakes, 2);
  loop.RemoveClient(id);
}

TEST(HeadlessLoopTest, RemovedClientIsNeverCalledAgain) {
  TXHeadlessLoop loop;
  CountingClient client;
  const TXLoopClientId id = loop.AddClient(client);
  loop.Wake(id);
  loop.RemoveClient(id);
  loop.Wake(id);
  EXPECT_EQ(loop.ProcessPending(), 0u);
  EXPECT_EQ(client.wakes, 0);
}

TEST(HeadlessLoopTest, QuitRequestedDuringABurstOfWakeUpsIsNotLost) {
  for (int round = 0; round < 20; ++round) {
    TXHeadlessLoop loop;
    TXEngine engine(loop);
    std::atomic<int> delivered{0};
    TXGear& gear = engine.CreateGear<TXGear>();
    gear.AddObserver(TXHandler(&delivered, "count", [&](AXNotification&) { ++delivered; }));
    CountingClient listener;
    const TXLoopClientId id = loop.AddClient(listener);
    std::thread poster([&] {
      for (int i = 0; i < 2000; ++i) {
        PostAspect<TXChangedAspect>(gear);
        if (i == 1000) loop.Quit(round + 1);
      }
    });
    EXPECT_EQ(loop.Run(), round + 1);
    poster.join();
    EXPECT_EQ(listener.quitCodes, (std::vector<int>{round + 1}));
    EXPECT_GE(delivered.load(), 1001);
    loop.ProcessPending();
    EXPECT_EQ(delivered.load(), 2000);
    loop.RemoveClient(id);
  }
}

TEST(HeadlessLoopTest, QuitWaitsBehindTheWakeUpsRequestedBeforeIt) {
  TXHeadlessLoop loop;
  CountingClient client;
  const TXLoopClientId id = loop.AddClient(client);
  loop.Wake(id);
  loop.Quit(0);
  EXPECT_TRUE(loop.QuitPending());
  EXPECT_EQ(loop.ProcessPending(), 1u);
  EXPECT_TRUE(loop.QuitPending());
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 1s));
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_FALSE(loop.QuitPending());
  EXPECT_EQ(client.wakes, 1);
  loop.RemoveClient(id);
}

TEST(HeadlessLoopTest, TimersFireOnceInDueOrderAndCanBeCancelled) {
  TXHeadlessLoop loop;
  std::vector<int> fired;
  loop.StartTimer(40, [&] { fired.push_back(40); });
  loop.StartTimer(10, [&] { fired.push_back(10); });
  const TXTimerId cancelled = loop.StartTimer(20, [&] { fired.push_back(20); });
  EXPECT_TRUE(loop.CancelTimer(cancelled));
  EXPECT_FALSE(loop.CancelTimer(cancelled));
  EXPECT_EQ(loop.ProcessPending(), 0u);
  ASSERT_TRUE(loop.RunUntil([&] { return fired.size() == 2; }, 60s));
  EXPECT_EQ(fired, (std::vector<int>{10, 40}));
  // Timers fire in due order: a later one fires alone, with no repetition of those before it.
  loop.StartTimer(60, [&] { fired.push_back(60); });
  ASSERT_TRUE(loop.RunUntil([&] { return fired.size() > 2; }, 60s));
  EXPECT_EQ(fired, (std::vector<int>{10, 40, 60}));
}

TEST(HeadlessLoopTest, TimerStartedFromAnotherThreadFiresOnTheLoopThread) {
  TXHeadlessLoop loop;
  std::thread::id firedOn;
  std::thread starter([&] { loop.StartTimer(5, [&] { firedOn = std::this_thread::get_id(); }); });
  starter.join();
  ASSERT_TRUE(loop.RunUntil([&] { return firedOn != std::thread::id(); }, 60s));
  EXPECT_EQ(firedOn, std::this_thread::get_id());
}

TEST(HeadlessLoopTest, FailingCallbacksReachTheSinkAndTheLoopGoesOn) {
  TXHeadlessLoop loop;
  RecordingSink sink;
  loop.SetEventSink(&sink);
  bool later = false;
  loop.StartTimer(0, [] { throw std::runtime_error("timer failed"); });
  loop.StartTimer(0, [&] { later = true; });
  loop.StartTimer(5, [&] { loop.Quit(9); });
  EXPECT_EQ(loop.Run(), 9);
  EXPECT_EQ(sink.errors, (std::vector<std::string>{"timer failed"}));
  EXPECT_TRUE(later);
  EXPECT_GE(sink.idles, 1);
  loop.SetEventSink(nullptr);
}

TEST(HandleManagerTest, MessagesArriveInPostingOrderAndWaitingCopiesCanBeTaken) {
  TXHeadlessLoop loop;
  std::vector<uint32_t> received;
  TXHandleManager window([&](TXWindowMessage& m) { received.push_back(m.Msg); }, loop);
  window.Post(kWmApp + 1);
  window.Post(kWmApp + 2);
  window.Post(kWmApp + 1);
  EXPECT_TRUE(PostWindowMessage(window.Handle(), kWmApp + 3));
  EXPECT_EQ(window.RemovePending(kWmApp + 1), 2u);
  loop.ProcessPending();
  EXPECT_EQ(received, (std::vector<uint32_t>{kWmApp + 2, kWmApp + 3}));
  EXPECT_EQ(window.Send(kWmApp + 4), 0);
  EXPECT_EQ(received.back(), kWmApp + 4);
}

TEST(HandleManagerTest, PostingToAWindowThatIsGoneDoesNothing) {
  TXHeadlessLoop loop;
  TXWindowHandle handle = 0;
  {
    TXHandleManager window([](TXWindowMessage&) { FAIL() << "a gone window got a message"; }, loop);
    handle = window.Handle();
    window.Post(kWmApp);
  }
  EXPECT_NE(handle, 0u);
  EXPECT_FALSE(PostWindowMessage(handle, kWmApp));
  EXPECT_FALSE(PostWindowMessage(0, kWmApp));
  EXPECT_EQ(loop.ProcessPending(), 0u);
}

TEST(HandleManagerTest, SendAnswersTheResultTheProcedureSets) {
  TXHeadlessLoop loop;
  TXHandleManager window([](TXWindowMessage& m) { m.Result = static_cast<intptr_t>(m.WParam) * 2; },
                         loop);
  EXPECT_EQ(window.Send(kWmApp, 21), 42);
}

}  // namespace
}  // namespace kova
