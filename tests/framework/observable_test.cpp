#include "framework/observable.h"

#include <gtest/gtest.h>

#include <atomic>
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

TEST(ObservableTest, NestedDispatchPurgesOnlyAtTheOutermostLevel) {
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

}  // namespace
}  // namespace kova
