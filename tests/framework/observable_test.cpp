#include "framework/observable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "framework/aspects.h"

namespace kova {
namespace {

class BaseAspect : public TXCustomAspect {};
class DerivedAspect : public BaseAspect {};
class OtherAspect : public TXCustomAspect {};

// Records every notification it receives, by handler.
class Recorder : public TXObject {
 public:
  void OnFirst(AXNotification&) { calls.push_back("first"); }
  void OnSecond(AXNotification&) { calls.push_back("second"); }
  std::vector<std::string> calls;
};

template <class A>
void DispatchNamed(TXObservable& observable, const std::string& name) {
  auto notification =
      MakeRef<TXNotification<A>>(TXRefMode::rmPlain, std::make_unique<A>(), nullptr, name);
  observable.Dispatch(*notification);
}

TEST(ObservableTest, MatchesExactClassWhateverTheNameAndDerivedClassesOnlyByName) {
  TXObservable observable;
  Recorder exact;
  Recorder ancestor;
  observable.AddObserver<DerivedAspect>(&exact, &Recorder::OnFirst, "other");
  observable.AddObserver<BaseAspect>(&ancestor, &Recorder::OnFirst, "wanted");

  DispatchNamed<DerivedAspect>(observable, "unrelated");
  EXPECT_EQ(exact.calls.size(), 1u);
  EXPECT_TRUE(ancestor.calls.empty());

  DispatchNamed<DerivedAspect>(observable, "wanted");
  EXPECT_EQ(exact.calls.size(), 2u);
  EXPECT_EQ(ancestor.calls.size(), 1u);

  DispatchNamed<OtherAspect>(observable, "wanted");
  EXPECT_EQ(exact.calls.size(), 2u);
  EXPECT_EQ(ancestor.calls.size(), 1u);
}

TEST(ObservableTest, EveryAspectObserverReceivesEverything) {
  TXObservable observable;
  Recorder all;
  observable.AddObserver(TXHandler(&all, &Recorder::OnFirst));
  DispatchAspect<OtherAspect>(observable);
  DispatchAspect<DerivedAspect>(observable);
  DispatchAspect<TXLogClearAspect>(observable);
  EXPECT_EQ(all.calls.size(), 3u);
}

TEST(ObservableTest, DuplicateRegistrationYieldsOneEntryAndOneRemovalClearsIt) {
  TXObservable observable;
  Recorder recorder;
  observable.AddObserver<BaseAspect>(&recorder, &Recorder::OnFirst);
  observable.AddObserver<BaseAspect>(&recorder, &Recorder::OnFirst, "named");
  EXPECT_EQ(observable.ObserverCount(), 1u);
  observable.RemoveObserver<BaseAspect>(&recorder, &Recorder::OnFirst);
  EXPECT_EQ(observable.ObserverCount(), 0u);
}

TEST(ObservableTest, RemovalDuringDispatchSkipsRemovedEntriesAndPurgesAfterwards) {
  TXObservable observable;
  std::vector<std::string> calls;
  Recorder later;
  observable.AddObserver(TXHandler(&observable, "remover", [&](AXNotification&) {
    calls.push_back("remover");
    observable.RemoveObserversOf(&later);
    observable.RemoveHandler(TXHandler(&observable, "remover", nullptr));
  }));
  observable.AddObserver<BaseAspect>(&later, &Recorder::OnFirst);
  observable.AddObserver(
      TXHandler(&observable, "tail", [&](AXNotification&) { calls.push_back("tail"); }));

  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(calls, (std::vector<std::string>{"remover", "tail"}));
  EXPECT_TRUE(later.calls.empty());
  EXPECT_EQ(observable.ObserverCount(), 1u);

  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(calls, (std::vector<std::string>{"remover", "tail", "tail"}));
}

TEST(ObservableTest, EntryAddedDuringDispatchIsFirstCalledByTheNextDispatch) {
  TXObservable observable;
  Recorder added;
  observable.AddObserver(TXHandler(&observable, "adder", [&](AXNotification&) {
    observable.AddObserver<BaseAspect>(&added, &Recorder::OnFirst);
  }));
  DispatchAspect<BaseAspect>(observable);
  EXPECT_TRUE(added.calls.empty());
  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(added.calls.size(), 1u);
}

TEST(ObservableTest, NestedDispatchDoesNotCallAnEntryTheOuterOneRemoved) {
  TXObservable observable;
  Recorder victim;
  int depth = 0;
  observable.AddObserver(TXHandler(&observable, "nest", [&](AXNotification& n) {
    if (!n.AspectAs<BaseAspect>() || depth++ > 0) return;
    observable.RemoveObserversOf(&victim);
    DispatchAspect<OtherAspect>(observable);
    EXPECT_EQ(observable.ObserverCount(), 1u);
  }));
  observable.AddObserver<OtherAspect>(&victim, &Recorder::OnFirst);
  DispatchAspect<BaseAspect>(observable);
  EXPECT_TRUE(victim.calls.empty());
  EXPECT_EQ(observable.ObserverCount(), 1u);
}

TEST(ObservableTest, KeeperReleasedBeforeTheObservableUnsubscribes) {
  TXObservable observable;
  Recorder recorder;
  int gone = 0;
  TXRef<TXObserverKeeper> keeper = observable.AddKeptObserver(
      AspectClassOf<BaseAspect>(), TXHandler(&recorder, &Recorder::OnFirst),
      [&](TXObject*) { ++gone; });
  TXRef<TXObserverKeeper> again = observable.AddKeptObserver(
      AspectClassOf<BaseAspect>(), TXHandler(&recorder, &Recorder::OnFirst));
  EXPECT_EQ(keeper, again);
  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(recorder.calls.size(), 1u);

  keeper.Reset();
  EXPECT_EQ(observable.ObserverCount(), 1u);
  again.Reset();
  EXPECT_EQ(observable.ObserverCount(), 0u);
  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(recorder.calls.size(), 1u);
  EXPECT_EQ(gone, 0);
}

TEST(ObservableTest, ObservableDestroyedFirstCallsOnGoneOnceWithItsComponent) {
  Recorder recorder;
  TXObject component;
  int gone = 0;
  TXObject* reported = nullptr;
  TXRef<TXObserverKeeper> keeper;
  {
    TXContainedObservable observable(&component);
    keeper = observable.AddKeptObserver(AspectClassOf<BaseAspect>(),
                                        TXHandler(&recorder, &Recorder::OnFirst), [&](TXObject* c) {
                                          ++gone;
                                          reported = c;
                                        });
  }
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(reported, &component);
  EXPECT_EQ(keeper->Observable(), nullptr);
  keeper.Reset();
  EXPECT_EQ(gone, 1);
}

TEST(ObservableTest, SendAndPostWithoutContainerDispatchAtOnce) {
  TXObservable observable;
  Recorder recorder;
  observable.AddObserver<BaseAspect>(&recorder, &Recorder::OnFirst);
  SendAspect<BaseAspect>(observable);
  PostAspect<BaseAspect>(observable);
  EXPECT_EQ(recorder.calls.size(), 2u);
}

TEST(ObservableTest, HandlerExceptionRestoresTheListAndReachesTheCaller) {
  TXObservable observable;
  Recorder victim;
  observable.AddObserver(TXHandler(&observable, "thrower", [&](AXNotification&) {
    observable.RemoveObserversOf(&victim);
    throw std::runtime_error("handler failed");
  }));
  observable.AddObserver<BaseAspect>(&victim, &Recorder::OnFirst);
  EXPECT_THROW(DispatchAspect<BaseAspect>(observable), std::runtime_error);
  EXPECT_EQ(observable.ObserverCount(), 1u);
  observable.RemoveObserversOf(&observable);
  EXPECT_EQ(observable.ObserverCount(), 0u);
}

TEST(ObservableTest, HandlersOfOneTargetAreToldApartByMethod) {
  TXObservable observable;
  Recorder recorder;
  observable.AddObserver<BaseAspect>(&recorder, &Recorder::OnFirst);
  observable.AddObserver<BaseAspect>(&recorder, &Recorder::OnSecond);
  observable.RemoveObserver<BaseAspect>(&recorder, &Recorder::OnFirst);
  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"second"}));
}

TEST(ObservableTest, KeeperDroppedDuringADispatchSilencesItsEntryAtOnce) {
  TXObservable observable;
  Recorder kept;
  TXRef<TXObserverKeeper> keeper;
  std::vector<std::string> calls;
  observable.AddObserver(TXHandler(&observable, "dropper", [&](AXNotification&) {
    calls.push_back("dropper");
    keeper.Reset();
  }));
  keeper =
      observable.AddKeptObserver(AspectClassOf<BaseAspect>(), TXHandler(&kept, &Recorder::OnFirst));
  DispatchAspect<BaseAspect>(observable);
  EXPECT_EQ(calls, (std::vector<std::string>{"dropper"}));
  EXPECT_TRUE(kept.calls.empty());
  EXPECT_EQ(observable.ObserverCount(), 1u);
}

TEST(ObservableTest, ObserversComeAndGoOnOtherThreadsWhileDispatchesRun) {
  TXObservable observable;
  std::atomic<int> steady{0};
  observable.AddObserver(TXHandler(&steady, "steady", [&](AXNotification&) { ++steady; }));
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    Recorder transient;
    while (!stop) {
      TXRef<TXObserverKeeper> keeper = observable.AddKeptObserver(
          AspectClassOf<BaseAspect>(), TXHandler(&transient, &Recorder::OnSecond));
      observable.AddObserver<BaseAspect>(&transient, &Recorder::OnFirst);
      observable.RemoveObserversOf(&transient);
    }
  });
  for (int i = 0; i < 2000; ++i)
    DispatchAspect<BaseAspect>(observable);
  stop = true;
  churn.join();
  EXPECT_EQ(steady, 2000);
  EXPECT_EQ(observable.ObserverCount(), 1u);
}

TEST(ObservableTest, KeeperReleasedOnAnotherThreadAfterItsObservableWentDoesNothing) {
  Recorder recorder;
  std::atomic<int> gone{0};
  TXRef<TXObserverKeeper> keeper;
  {
    TXObservable observable;
    keeper = observable.AddKeptObserver(AspectClassOf<BaseAspect>(),
                                        TXHandler(&recorder, &Recorder::OnFirst),
                                        [&](TXObject*) { ++gone; });
  }
  std::thread releaser([&] { keeper.Reset(); });
  releaser.join();
  EXPECT_EQ(gone, 1);
}

// Joins the threads, or fails when they have not ended within a bound that only a hang exceeds.
void JoinAll(std::vector<std::thread>& threads) {
  std::promise<void> joined;
  std::future<void> done = joined.get_future();
  std::thread joiner([&] {
    for (std::thread& thread : threads)
      thread.join();
    joined.set_value();
  });
  if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    std::fprintf(stderr, "the threads are stuck: a deadlock\n");
    std::_Exit(1);
  }
  joiner.join();
}

TEST(ObservableTest, HandlersDispatchingOnEachOthersObservablesFromTwoThreadsDoNotDeadlock) {
  TXObservable first;
  TXObservable second;
  std::barrier bothInHandlers(2);
  std::atomic<int> relayed{0};
  auto relayTo = [&](TXObservable& next) {
    return [&](AXNotification& n) {
      if (n.AspectAs<BaseAspect>()) {
        bothInHandlers.arrive_and_wait();
        DispatchAspect<OtherAspect>(next);
      } else {
        ++relayed;
      }
    };
  };
  first.AddObserver(TXHandler(&first, "relay", relayTo(second)));
  second.AddObserver(TXHandler(&second, "relay", relayTo(first)));

  std::vector<std::thread> threads;
  threads.emplace_back([&] { DispatchAspect<BaseAspect>(first); });
  threads.emplace_back([&] { DispatchAspect<BaseAspect>(second); });
  JoinAll(threads);
  EXPECT_EQ(relayed, 2);
}

TEST(ObservableTest, AHandlerSubscribingElsewhereWhileAnotherThreadDispatchesThereDoesNotDeadlock) {
  TXObservable engine;
  TXObservable worker;
  std::barrier bothInHandlers(2);
  Recorder subscriber;
  engine.AddObserver(TXHandler(&engine, "subscribe", [&](AXNotification& n) {
    if (!n.AspectAs<BaseAspect>()) return;
    bothInHandlers.arrive_and_wait();
    worker.AddObserver<OtherAspect>(&subscriber, &Recorder::OnFirst);
  }));
  worker.AddObserver(TXHandler(&worker, "report", [&](AXNotification& n) {
    if (!n.AspectAs<BaseAspect>()) return;
    bothInHandlers.arrive_and_wait();
    DispatchAspect<OtherAspect>(engine);
  }));

  std::vector<std::thread> threads;
  threads.emplace_back([&] { DispatchAspect<BaseAspect>(engine); });
  threads.emplace_back([&] { DispatchAspect<BaseAspect>(worker); });
  JoinAll(threads);
  EXPECT_EQ(worker.ObserverCount(), 2u);
}

TEST(ObservableTest, AnEntryRemovedByAnotherThreadBeforeItsTurnIsNotCalled) {
  TXObservable observable;
  std::latch firstRunning(1);
  std::latch removed(1);
  Recorder later;
  observable.AddObserver(TXHandler(&observable, "first", [&](AXNotification&) {
    firstRunning.count_down();
    removed.wait();
  }));
  observable.AddObserver<BaseAspect>(&later, &Recorder::OnFirst);

  std::thread dispatcher([&] { DispatchAspect<BaseAspect>(observable); });
  firstRunning.wait();
  observable.RemoveObserversOf(&later);
  removed.count_down();
  dispatcher.join();
  EXPECT_TRUE(later.calls.empty());
}

TEST(ObservableTest, RemovalFromAnotherThreadReturnsOnlyAfterTheRunningCallOfTheHandlerEnded) {
  TXObservable observable;
  std::latch running(1);
  std::latch release(1);
  std::atomic<bool> callEnded{false};
  auto victim = std::make_unique<Recorder>();
  observable.AddObserver(TXHandler(victim.get(), "slow", [&](AXNotification&) {
    running.count_down();
    release.wait();
    callEnded = true;
  }));

  std::thread dispatcher([&] { DispatchAspect<BaseAspect>(observable); });
  running.wait();
  std::latch removing(1);
  bool endedWhenRemoved = false;
  std::thread remover([&] {
    removing.count_down();
    observable.RemoveObserversOf(victim.get());
    endedWhenRemoved = callEnded;
    victim.reset();  // what an owner does once its entries are gone
  });
  removing.wait();
  release.count_down();
  remover.join();
  dispatcher.join();
  EXPECT_TRUE(endedWhenRemoved);
  EXPECT_EQ(observable.ObserverCount(), 0u);
}

TEST(ObservableTest, AHandlerRemovingItselfWhileAnotherThreadRunsItToo) {
  TXObservable observable;
  std::barrier bothRunning(2);
  std::atomic<int> calls{0};
  observable.AddObserver(TXHandler(&observable, "self", [&](AXNotification&) {
    ++calls;
    bothRunning.arrive_and_wait();
    observable.RemoveHandler(TXHandler(&observable, "self", nullptr));
  }));
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i)
    threads.emplace_back([&] { DispatchAspect<BaseAspect>(observable); });
  JoinAll(threads);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(observable.ObserverCount(), 0u);
}

}  // namespace
}  // namespace kova
