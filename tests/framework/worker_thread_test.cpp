#include "framework/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/engine.h"
#include "framework/headless_loop.h"
#include "framework/worker.h"
#include "framework/worker_gear.h"

namespace kova {
namespace {

using namespace std::chrono_literals;

// What a run works on: the thread appends to it until it is asked to stop.
struct RunData {
  std::vector<int> items;
  std::atomic<bool> bodyDone{false};
  std::atomic<bool> releaseBody{false};
};

// A run whose behaviour each test chooses.
class ScriptedThread : public TXWorkerThread<RunData> {
 public:
  using Script = std::function<void(ScriptedThread&)>;
  ScriptedThread(TXRef<IXWorker> worker, RunData& data, Script script)
      : TXWorkerThread(std::move(worker), data), script_(std::move(script)) {}

 protected:
  void Execute() override {
    script_(*this);
    Data().bodyDone = true;
  }

 private:
  Script script_;
};

// Records how a run ended, as the gear's observers see it.
struct EndWatcher {
  explicit EndWatcher(TXObservable& gear) {
    gear.AddObserver(TXHandler(this, "watch", [this](AXNotification& n) {
      if (auto* a = n.AspectAs<TXOperationThreadTerminatedAspect>()) {
        ended = true;
        name = a->Name;
        code = a->ErrorData.Code;
        thread = std::this_thread::get_id();
      } else if (n.AspectAs<TXOperationTerminatedAspect>()) {
        ++operationEnds;
      } else if (auto* p = n.AspectAs<TXProgressChangedAspect>()) {
        positions.push_back(p->Position);
      }
    }));
  }
  bool ended = false;
  std::string name;
  int32_t code = -100;
  std::thread::id thread;
  std::atomic<int> operationEnds{0};
  std::vector<int32_t> positions;
};

class WorkerThreadFixture : public ::testing::Test {
 protected:
  using Gear = TXThreadWorkerGear<RunData>;

  bool Start(ScriptedThread::Script script) {
    return gear.StartThread(
        std::make_unique<ScriptedThread>(gear.WorkerRef(), gear.Data(), std::move(script)));
  }
  bool RunToEnd() {
    return loop.RunUntil([&] { return watcher.ended; }, 60s);
  }

  TXHeadlessLoop loop;
  TXEngine engine{loop};
  Gear& gear = engine.CreateGear<Gear>("worker");
  EndWatcher watcher{gear};
};

TEST_F(WorkerThreadFixture, ThreadEndedArrivesOnTheLoopThreadAfterTheThreadStopped) {
  ASSERT_TRUE(Start([](ScriptedThread& t) {
    t.Worker().SetName("Scan");
    SetThreadError(kErrRead);
    IXProgress& progress = t.Worker().GetProgress();
    progress.SetMax(2);
    progress.StepIt();
    progress.StepIt();
    t.Worker().Terminate(TXErrorData{});
  }));
  EXPECT_TRUE(gear.IsRunning());
  ASSERT_TRUE(RunToEnd());
  EXPECT_TRUE(gear.Data().bodyDone);
  EXPECT_FALSE(gear.IsRunning());
  EXPECT_EQ(watcher.thread, std::this_thread::get_id());
  EXPECT_EQ(watcher.name, "Scan");
  EXPECT_EQ(watcher.code, kErrNone);
  EXPECT_EQ(watcher.operationEnds, 1);
  EXPECT_EQ(watcher.positions, (std::vector<int32_t>{500, 1000}));
}

TEST_F(WorkerThreadFixture, CancelStopsTheThreadAndTheRunEndsAsCancelled) {
  std::latch running(1);
  ASSERT_TRUE(Start([&](ScriptedThread& t) {
    running.count_down();
    while (!t.TerminateRequested())
      std::this_thread::sleep_for(1ms);
  }));
  running.wait();
  gear.CancelRun();
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(watcher.code, kErrCancelled);
  EXPECT_EQ(watcher.operationEnds, 0);
  EXPECT_TRUE(gear.Worker().IsCancelled());
}

TEST_F(WorkerThreadFixture, WorkerTerminatedElsewhereAsksTheThreadToStop) {
  ASSERT_TRUE(Start([](ScriptedThread& t) {
    while (!t.TerminateRequested())
      std::this_thread::sleep_for(1ms);
  }));
  TXErrorData failure;
  failure.Code = kErrNotReady;
  gear.Worker().Terminate(failure);
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(watcher.code, kErrNotReady);
}

TEST_F(WorkerThreadFixture, BodyThatLeavesTheWorkerRunningEndsItWithItsRecord) {
  ASSERT_TRUE(Start([](ScriptedThread&) {}));
  ASSERT_TRUE(RunToEnd());
  EXPECT_TRUE(gear.Worker().IsTerminated());
  EXPECT_EQ(watcher.operationEnds, 1);
  EXPECT_EQ(watcher.code, kErrNone);
}

TEST_F(WorkerThreadFixture, EscapingFailureEndsTheWorkerWithItsCode) {
  ASSERT_TRUE(Start([](ScriptedThread&) { RaiseThreadError(kErrNotReady, 0, "card gone"); }));
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(watcher.code, kErrNotReady);
  EXPECT_EQ(gear.Worker().GetErrorData().Text, "card gone");
}

TEST_F(WorkerThreadFixture, SecondStartWhileRunningIsRefusedAndTheGearRunsAgainLater) {
  ASSERT_TRUE(Start([](ScriptedThread& t) {
    while (!t.Data().releaseBody)
      std::this_thread::sleep_for(1ms);
  }));
  bool secondRan = false;
  EXPECT_FALSE(Start([&](ScriptedThread&) { secondRan = true; }));
  gear.Data().releaseBody = true;
  ASSERT_TRUE(RunToEnd());
  EXPECT_FALSE(secondRan);

  watcher.ended = false;
  gear.Worker().Reset();
  ASSERT_TRUE(Start([](ScriptedThread& t) { t.Data().items.push_back(2); }));
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(gear.Data().items, (std::vector<int>{2}));
}

TEST_F(WorkerThreadFixture, SynchronizeRunsTheQuestionOnTheEngineThread) {
  std::optional<std::thread::id> askedOn;
  std::atomic<int> answer{0};
  ASSERT_TRUE(Start([&](ScriptedThread& t) {
    int reply = 0;
    if (t.Synchronize([&] {
          askedOn = std::this_thread::get_id();
          reply = 42;
        })) {
      answer = reply;
    }
  }));
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(*askedOn, std::this_thread::get_id());
}

TEST_F(WorkerThreadFixture, DroppedEndCallbackAnnouncesNothing) {
  ASSERT_TRUE(Start([](ScriptedThread& t) { t.DropEndCallback(); }));
  gear.Thread()->Wait();
  loop.ProcessPending();
  EXPECT_FALSE(watcher.ended);
  EXPECT_TRUE(gear.Data().bodyDone);
  EXPECT_TRUE(gear.IsRunning());
}

TEST(WorkerThreadGearTest, DestroyingTheGearStopsAndJoinsTheThreadThatUsesItsData) {
  TXHeadlessLoop loop;
  TXEngine engine(loop);
  auto& gear = engine.CreateGear<TXThreadWorkerGear<RunData>>();
  std::atomic<bool> started{false};
  ASSERT_TRUE(gear.StartThread(
      std::make_unique<ScriptedThread>(gear.WorkerRef(), gear.Data(), [&](ScriptedThread& t) {
        started = true;
        while (!t.TerminateRequested())
          t.Data().items.push_back(1);
      })));
  while (!started)
    std::this_thread::yield();
  engine.FreeGears();
  EXPECT_EQ(engine.PendingMessages(), 0u);
  loop.ProcessPending();
}

TEST(WorkerThreadGearTest, HandOverWaitingWhileTheGearIsDestroyedDoesNotDeadlock) {
  TXHeadlessLoop loop;
  TXEngine engine(loop);
  auto& gear = engine.CreateGear<TXThreadWorkerGear<RunData>>();
  std::atomic<bool> waiting{false};
  std::atomic<int> handedOver{-1};
  ASSERT_TRUE(gear.StartThread(
      std::make_unique<ScriptedThread>(gear.WorkerRef(), gear.Data(), [&](ScriptedThread& t) {
        waiting = true;
        handedOver = t.Synchronize([] {}) ? 1 : 0;
      })));
  while (!waiting || engine.PendingMessages() == 0)
    std::this_thread::yield();
  engine.FreeGears();
  EXPECT_EQ(handedOver, 0);
}

TEST(WorkerThreadTest, ThreadWithoutEngineRunsAndIsJoinedByItsOwner) {
  RunData data;
  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  {
    ScriptedThread thread(worker, data, [](ScriptedThread& t) {
      t.Data().items.push_back(1);
      EXPECT_FALSE(t.Synchronize([] {}));
    });
    EXPECT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    thread.Stop();
  }
  EXPECT_TRUE(data.bodyDone);
  EXPECT_EQ(data.items, (std::vector<int>{1}));
  EXPECT_TRUE(worker->IsTerminated());
}

// The shutdown rules need a terminating application, which only a process of its own may have.
TEST(WorkerThreadShutdownTest, TerminatingApplicationSilencesTheEndAndFailsHandOversFast) {
  EXPECT_EXIT(
      {
        TXEngine engine;
        auto& gear = engine.CreateGear<TXThreadWorkerGear<RunData>>();
        EndWatcher watcher(gear);
        std::atomic<int> handedOver{-1};
        CoreApp().Terminate();
        gear.StartThread(std::make_unique<ScriptedThread>(
            gear.WorkerRef(), gear.Data(),
            [&](ScriptedThread& t) { handedOver = t.Synchronize([] {}) ? 1 : 0; }));
        gear.Thread()->Wait();
        ProcessHeadlessLoop().ProcessPending();
        std::_Exit(handedOver == 0 && !watcher.ended ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kova
