#include "ui/qt_event_loop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "framework/engine.h"

namespace kova {
namespace {

class Client : public IXLoopClient {
 public:
  explicit Client(std::vector<char>* journal = nullptr, char name = 0)
      : journal_(journal), name_(name) {}
  void LoopWake() override {
    ++wakes;
    if (journal_) journal_->push_back(name_);
    if (fail) throw std::runtime_error("wake-up failed");
  }
  void LoopQuit(int exitCode) override {
    quitCodes.push_back(exitCode);
    if (journal_) journal_->push_back('Q');
  }
  int wakes = 0;
  bool fail = false;
  std::vector<int> quitCodes;

 private:
  std::vector<char>* journal_;
  char name_;
};

class Sink : public IXLoopEventSink {
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

class IndexAspect : public TXCustomAspect {
 public:
  explicit IndexAspect(int index) : Index(index) {}
  int Index;
};

// Handles Qt events until the predicate holds or a time that only a hang reaches is up.
bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs) {
    QEventLoop turn;
    QTimer::singleShot(10, &turn, &QEventLoop::quit);
    turn.exec();
  }
  return done();
}

TEST(QtEventLoopTest, WakeRequestsFromAThreadJoinIntoOneWakeUp) {
  TXQtEventLoop loop;
  Client client;
  const TXLoopClientId id = loop.AddClient(client);
  std::thread waker([&] {
    for (int i = 0; i < 10000; ++i)
      loop.Wake(id);
  });
  waker.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(client.wakes, 1);
  loop.Wake(id);
  QCoreApplication::processEvents();
  EXPECT_EQ(client.wakes, 2);
  EXPECT_EQ(loop.WakeUpsDelivered(), 2u);
  loop.RemoveClient(id);
}

TEST(QtEventLoopTest, TenThousandPostsFromAThreadArriveInOrderWithFewWakeUps) {
  TXQtEventLoop loop;
  TXEngine engine(loop);
  TXGear& gear = engine.CreateGear<TXGear>();
  std::vector<int> received;
  bool onMainThread = true;
  gear.AddObserver(TXHandler(&received, "record", [&](AXNotification& n) {
    if (auto* a = n.AspectAs<IndexAspect>()) received.push_back(a->Index);
    onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
  }));
  std::thread poster([&] {
    for (int i = 0; i < 10000; ++i)
      PostAspect<IndexAspect>(gear, i);
  });
  poster.join();
  ASSERT_TRUE(ProcessUntil([&] { return received.size() == 10000; }));
  EXPECT_LE(loop.WakeUpsDelivered(), 2u);
  // While the user-interface thread keeps draining, every post still arrives once, in order.
  std::thread busyPoster([&] {
    for (int i = 10000; i < 20000; ++i)
      PostAspect<IndexAspect>(gear, i);
  });
  EXPECT_TRUE(ProcessUntil([&] { return received.size() == 20000; }));
  busyPoster.join();
  ProcessUntil([&] { return received.size() >= 20000; });
  ASSERT_EQ(received.size(), 20000u);
  for (int i = 0; i < 20000; ++i)
    ASSERT_EQ(received[static_cast<size_t>(i)], i);
  EXPECT_TRUE(onMainThread);
  EXPECT_LT(loop.WakeUpsDelivered(), 20000u);
}

TEST(QtEventLoopTest, WakeUpsOfSeveralClientsKeepTheirOrder) {
  TXQtEventLoop loop;
  std::vector<char> journal;
  Client a(&journal, 'a'), b(&journal, 'b'), c(&journal, 'c');
  const TXLoopClientId ida = loop.AddClient(a), idb = loop.AddClient(b), idc = loop.AddClient(c);
  loop.Wake(idb);
  loop.Wake(ida);
  loop.Wake(idb);
  loop.Wake(idc);
  QCoreApplication::processEvents();
  EXPECT_EQ(journal, (std::vector<char>{'b', 'a', 'c'}));
  loop.RemoveClient(idb);
  loop.Wake(idb);
  loop.Wake(ida);
  QCoreApplication::processEvents();
  EXPECT_EQ(journal, (std::vector<char>{'b', 'a', 'c', 'a'}));
  loop.RemoveClient(ida);
  loop.RemoveClient(idc);
}

TEST(QtEventLoopTest, TimersFireOnceOnTheLoopsThreadAndCancelledOnesNever) {
  TXQtEventLoop loop;
  int fired = 0, cancelled = 0, fromThread = 0;
  QElapsedTimer clock;
  clock.start();
  qint64 firedAfter = 0;
  loop.StartTimer(30, [&] {
    ++fired;
    firedAfter = clock.elapsed();
  });
  const TXTimerId doomed = loop.StartTimer(10, [&] { ++cancelled; });
  EXPECT_TRUE(loop.CancelTimer(doomed));
  EXPECT_FALSE(loop.CancelTimer(doomed));
  TXTimerId threadTimer = 0;
  std::thread starter([&] {
    threadTimer = loop.StartTimer(
        5, [&] { fromThread += QThread::currentThread() == qApp->thread() ? 1 : 100; });
  });
  starter.join();
  ASSERT_TRUE(ProcessUntil([&] { return fired == 1 && fromThread == 1; }));
  EXPECT_GE(firedAfter, 30);
  // Timers fire in due order: once a later one fired, a repetition would have come before it.
  bool later = false;
  loop.StartTimer(60, [&] { later = true; });
  ASSERT_TRUE(ProcessUntil([&] { return later; }));
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(fromThread, 1);
  EXPECT_EQ(cancelled, 0);
  EXPECT_FALSE(loop.CancelTimer(threadTimer));
}

TEST(QtEventLoopTest, QuitEndsTheLoopAfterEarlierWakeUpsAndTellsTheClients) {
  TXQtEventLoop loop;
  std::vector<char> journal;
  Client a(&journal, 'a');
  const TXLoopClientId id = loop.AddClient(a);
  loop.Wake(id);
  loop.Quit(7);
  QTimer safety;
  QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  safety.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 7);
  EXPECT_EQ(journal, (std::vector<char>{'a', 'Q'}));
  EXPECT_EQ(a.quitCodes, std::vector<int>{7});
  loop.RemoveClient(id);
}

TEST(QtEventLoopTest, ExceptionsOfCallbacksReachTheSinkAndTheLoopGoesOn) {
  TXQtEventLoop loop;
  Sink sink;
  loop.SetEventSink(&sink);
  Client failing;
  failing.fail = true;
  Client healthy;
  const TXLoopClientId bad = loop.AddClient(failing), good = loop.AddClient(healthy);
  loop.Wake(bad);
  loop.Wake(good);
  loop.StartTimer(0, [] { throw std::runtime_error("timer failed"); });
  ASSERT_TRUE(ProcessUntil(
      [&] { return sink.errors.size() == 2 && healthy.wakes == 1 && sink.idles > 0; }));
  EXPECT_EQ(sink.errors[0], "wake-up failed");
  EXPECT_EQ(sink.errors[1], "timer failed");
  loop.SetEventSink(nullptr);
  loop.RemoveClient(bad);
  loop.RemoveClient(good);
}

TEST(QtEventLoopTest, TheInstalledLoopCarriesTheApplicationEngine) {
  EXPECT_EQ(&DefaultEventLoop(), &InstallQtEventLoop());
  std::atomic<bool> delivered{false};
  bool onMainThread = false;
  TXAppEngine& engine = CoreApp().Engine();
  engine.AddObserver(TXHandler(&delivered, "delivered", [&](AXNotification& n) {
    if (!n.AspectAs<IndexAspect>()) return;
    onMainThread = QThread::currentThread() == qApp->thread();
    delivered = true;
  }));
  std::thread poster([&] { PostAspect<IndexAspect>(engine, 1); });
  poster.join();
  EXPECT_TRUE(ProcessUntil([&] { return delivered.load(); }));
  EXPECT_TRUE(onMainThread);
  engine.RemoveObserversOf(&delivered);
}

}  // namespace
}  // namespace kova
