#include "framework/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "framework/aspects.h"
#include "framework/empty_progress.h"
#include "framework/engine.h"
#include "framework/headless_loop.h"

namespace kova {
namespace {

// Counts the end notifications a worker announces and remembers the last outcome.
struct EndRecorder {
  explicit EndRecorder(TXObservable& worker) {
    worker.AddObserver(TXHandler(this, "record", [this](AXNotification& n) {
      if (auto* a = n.AspectAs<TXOperationTerminatedAspect>()) {
        ++operationEnds;
        lastName = a->Name;
        lastCode = a->ErrorData.Code;
        sender = n.GetSender();
      } else if (n.AspectAs<TXTaskTerminatedAspect>()) {
        ++taskEnds;
      }
    }));
  }
  std::atomic<int> operationEnds{0};
  std::atomic<int> taskEnds{0};
  std::string lastName;
  int32_t lastCode = -100;
  TXObject* sender = nullptr;
};

TXErrorData ErrorWithCode(int32_t code, std::string text = {}) {
  TXErrorData error;
  error.Code = code;
  error.Text = std::move(text);
  return error;
}

TEST(WorkerTest, FirstOutcomeWinsAndIsAnnouncedWithTheWorkerAsSender) {
  TXRef<TXWorker> worker = MakeRef<TXWorker>(TXRefMode::rmInterlocked, "Scan");
  EndRecorder ends(*worker);
  worker->Terminate(ErrorWithCode(44, "read failed"));
  worker->Terminate(ErrorWithCode(11));
  EXPECT_TRUE(worker->IsTerminated());
  EXPECT_FALSE(worker->IsCancelled());
  EXPECT_EQ(worker->GetErrorData().Code, 44);
  EXPECT_EQ(worker->GetErrorData().Text, "read failed");
  EXPECT_EQ(ends.operationEnds, 1);
  EXPECT_EQ(ends.taskEnds, 1);
  EXPECT_EQ(ends.lastName, "Scan");
  EXPECT_EQ(ends.lastCode, 44);
  EXPECT_EQ(ends.sender, worker.Get());
}

TEST(WorkerTest, CancelOverridesAnOutcomeButTerminateNeverOverridesACancel) {
  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  EndRecorder ends(*worker);
  worker->Terminate(ErrorWithCode(0));
  worker->Cancel();
  EXPECT_TRUE(worker->IsCancelled());
  EXPECT_EQ(worker->GetErrorData().Code, kErrCancelled);
  EXPECT_EQ(ends.operationEnds, 1);
  EXPECT_EQ(ends.taskEnds, 2);

  worker->Terminate(ErrorWithCode(31));
  EXPECT_EQ(worker->GetErrorData().Code, kErrCancelled);
  EXPECT_EQ(ends.taskEnds, 2);

  worker->Reset();
  EXPECT_FALSE(worker->IsTerminated());
  EXPECT_FALSE(worker->IsCancelled());
  EXPECT_EQ(worker->GetErrorData().Code, kErrNone);
  worker->Terminate(ErrorWithCode(31));
  EXPECT_EQ(worker->GetErrorData().Code, 31);
}

TEST(WorkerTest, TerminateFromTwoThreadsAtOnceYieldsOneOutcome) {
  for (int round = 0; round < 200; ++round) {
    TXRef<TXWorker> worker = MakeRef<TXWorker>();
    EndRecorder ends(*worker);
    std::barrier start(2);
    auto finish = [&](int32_t code) {
      start.arrive_and_wait();
      worker->Terminate(ErrorWithCode(code));
    };
    std::thread first(finish, 12);
    std::thread second(finish, 31);
    first.join();
    second.join();
    ASSERT_EQ(ends.operationEnds, 1);
    ASSERT_EQ(ends.taskEnds, 1);
    ASSERT_EQ(worker->GetErrorData().Code, ends.lastCode);
  }
}

TEST(WorkerTest, CustomWorkerReportsToTheSharedEmptyProgress) {
  TXRef<TXCustomWorker> worker = MakeRef<TXCustomWorker>();
  EXPECT_EQ(&worker->GetProgress(), &EmptyProgress());
  worker->GetProgress().SetPercent(50);
  EXPECT_EQ(worker->GetProgress().GetPosition(), 0);
  const size_t observers = EmptyProgress().ObserverCount();
  worker.Reset();
  EXPECT_EQ(EmptyProgress().ObserverCount(), observers - 1);
}

TEST(WorkerTest, ProgressWithoutContainerIsDispatchedOnTheWorker) {
  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  std::vector<int32_t> positions;
  worker->AddObserver(TXHandler(&positions, "record", [&](AXNotification& n) {
    if (auto* a = n.AspectAs<TXProgressChangedAspect>()) positions.push_back(a->Position);
  }));
  worker->GetProgress().SetPercent(25);
  worker->GetProgress().EndSection();
  EXPECT_EQ(positions, (std::vector<int32_t>{250, 1000}));
}

TEST(WorkerTest, ProgressOfAWorkerThreadArrivesOnTheEngineThreadWithTheWorkerAsTarget) {
  TXHeadlessLoop loop;
  TXEngine engine(loop);
  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  worker->SetContainer(&engine);
  std::vector<int32_t> positions;
  std::vector<std::thread::id> threads;
  worker->AddObserver(TXHandler(&positions, "record", [&](AXNotification& n) {
    if (auto* a = n.AspectAs<TXProgressChangedAspect>()) {
      positions.push_back(a->Position);
      threads.push_back(std::this_thread::get_id());
    }
  }));
  std::thread run([&] {
    IXProgress& progress = worker->GetProgress();
    progress.SetMax(4);
    for (int i = 0; i < 4; ++i)
      progress.StepIt();
  });
  run.join();
  EXPECT_TRUE(positions.empty());
  ASSERT_TRUE(loop.RunUntil([&] { return positions.size() == 4; }, std::chrono::seconds(60)));
  EXPECT_EQ(positions, (std::vector<int32_t>{250, 500, 750, 1000}));
  for (std::thread::id id : threads)
    EXPECT_EQ(id, std::this_thread::get_id());
  worker->SetContainer(nullptr);
}

}  // namespace
}  // namespace kova
