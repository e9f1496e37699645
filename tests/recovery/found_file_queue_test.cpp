#include "recovery/found_file_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "framework/notification.h"
#include "framework/worker.h"
#include "imaging/decode_stop.h"
#include "recovery/formats/scan_format.h"

namespace kova {
namespace {

using namespace std::chrono_literals;

// The decodes of the files, each held at its gate until the test opens it. A held decode looks
// for the stop now and then, as the real decoder does between rows.
class Gates {
 public:
  void Open(int id) {
    std::lock_guard hold(mutex_);
    open_[id] = true;
    changed_.notify_all();
  }
  void OpenAll() {
    std::lock_guard hold(mutex_);
    all_ = true;
    changed_.notify_all();
  }
  void WaitStarted(int id) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return started_.contains(id); });
  }
  void WaitFinished(int id) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return finished_.contains(id); });
  }
  // The decode of file `id`: false when it gave up for the stop.
  bool Pass(int id) {
    std::unique_lock lock(mutex_);
    started_.insert(id);
    ++running_;
    changed_.notify_all();
    bool stopped = false;
    while (!all_ && !open_[id] && !(stopped = DecodeStopRequested()))
      changed_.wait_for(lock, 1ms);
    --running_;
    finished_.insert(id);
    finishOrder_.push_back(id);
    changed_.notify_all();
    return !stopped;
  }
  int Running() {
    std::lock_guard hold(mutex_);
    return running_;
  }
  size_t Started() {
    std::lock_guard hold(mutex_);
    return started_.size();
  }
  std::vector<int> FinishOrder() {
    std::lock_guard hold(mutex_);
    return finishOrder_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, bool> open_;
  std::set<int> started_, finished_;
  std::vector<int> finishOrder_;
  int running_ = 0;
  bool all_ = false;
};

const TXDRScanFormatClass kGatedClass{skJPG, "gated", ".jpg", {}, kMostPhotoBytes, 0, nullptr};

// A format whose picture is made when its gate opens, and then only when it is `good`.
class GatedFormat final : public TXDRScanFormat {
 public:
  GatedFormat(Gates& gates, int id, bool good)
      : TXDRScanFormat(kGatedClass), gates_(gates), id_(id), good_(good) {}
  bool CanMakeThumbnail() const override { return true; }
  bool DecodeThumbnail(TXSize, TXSize& size, TXStream& stream, TXImageObject&) override {
    if (!gates_.Pass(id_) || !good_) return false;
    size = {id_, static_cast<int32_t>(stream.Size())};
    return true;
  }

 protected:
  int64_t MeasureEnd(TXSearch&, int64_t) override { return -1; }

 private:
  Gates& gates_;
  int id_;
  bool good_;
};

// A worker that records the names of the files dispatched on it, in order.
struct Receiver {
  Receiver() {
    worker->AddObserver(AspectClassOf<TXDRFoundFileAspect>(),
                        TXHandler(this, "received", [this](AXNotification& n) {
                          const TXDRFileItem& item = *n.AspectAs<TXDRFoundFileAspect>()->Item;
                          names.push_back(item.Name);
                          sizes.push_back(item.Dimensions);
                          status.push_back(item.Status);
                        }));
  }
  ~Receiver() { worker->RemoveObserversOf(this); }

  TXRef<TXWorker> worker = MakeRef<TXWorker>();
  std::vector<std::string> names;
  std::vector<TXSize> sizes;
  std::vector<TXDRFileStatusSet> status;
};

// Files of `bytes` bytes on a medium, each with a gated picture.
class Finder {
 public:
  explicit Finder(Gates& gates, int64_t bytes = 1000)
      : gates_(gates), medium_(std::vector<uint8_t>(static_cast<size_t>(bytes), 7)) {
    blocks_.Add(0, bytes);
  }

  TXRef<TXFoundFileNotification> File(int id, bool good = true, std::string ext = ".jpg") {
    auto notification = MakeNotification<TXDRFoundFileAspect>();
    TXDRFileItem& item = *notification->Aspect().Item;
    item.Name = std::to_string(id);
    item.Ext = ext;
    item.EditBlocks() = blocks_;
    notification->Aspect().Picture = std::make_unique<TXDRPictureJob>(
        std::make_unique<GatedFormat>(gates_, id, good), blocks_, medium_);
    return notification;
  }
  void Offer(TXDRFoundFileQueue& queue, int id, bool good = true, TXDRPictureRule rule = {}) {
    queue.Offer(*File(id, good), rule);
  }

 private:
  Gates& gates_;
  TXMemoryStream medium_;
  TXBlocks blocks_;
};

const TXExtensionList kAllTypes{".avi", ".jpg"};

TEST(FoundFileQueue, FilesLeaveInFoundOrderWhicheverPictureIsDoneFirst) {
  Gates gates;
  Finder finder(gates);
  Receiver receiver;
  TXDRFoundFileQueue queue(*receiver.worker, 3, kAllTypes);
  for (int id = 1; id <= 3; ++id)
    finder.Offer(queue, id);
  // The two helpers hold the first two pictures; the second and third finish before the first.
  gates.WaitStarted(1);
  gates.WaitStarted(2);
  gates.Open(2);
  gates.Open(3);
  gates.WaitFinished(3);
  EXPECT_TRUE(receiver.names.empty());
  gates.Open(1);
  queue.ReleaseAll();
  EXPECT_EQ(gates.FinishOrder(), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(receiver.names, (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(receiver.sizes[1], (TXSize{2, 1000}));
  EXPECT_TRUE(receiver.status[1].Contains(drThnValidated));
  EXPECT_EQ(queue.FilesInFlight(), 0);
}

// The finder offers twelve files of 20 MiB while the test lets their decodes end one by one:
// the window never holds more than its budget, and the finder decodes too while it waits.
TEST(FoundFileQueue, TheWindowHoldsAtMostItsBudgetOfFilesAndBytes) {
  constexpr int kFiles = 12;
  for (int64_t bytes : {int64_t{100}, int64_t{20} << 20}) {
    SCOPED_TRACE(bytes);
    Gates gates;
    Finder finder(gates, bytes);
    Receiver receiver;
    int32_t mostFiles = 0;
    int64_t mostBytes = 0, budget = 0;
    int32_t fileBudget = 0;
    std::set<std::thread::id> decoders;
    std::thread finding([&] {
      TXDRFoundFileQueue queue(*receiver.worker, 2, kAllTypes);
      budget = queue.MaxBytes();
      fileBudget = queue.MaxFiles();
      for (int id = 1; id <= kFiles; ++id) {
        finder.Offer(queue, id);
        mostFiles = std::max(mostFiles, queue.FilesInFlight());
        mostBytes = std::max(mostBytes, queue.BytesInFlight());
      }
      queue.ReleaseAll();
    });
    for (int id = 1; id <= kFiles; ++id) {
      gates.WaitStarted(id);
      gates.Open(id);
    }
    finding.join();
    EXPECT_EQ(receiver.names.size(), static_cast<size_t>(kFiles));
    EXPECT_LE(mostFiles, fileBudget);
    EXPECT_LE(mostBytes, budget);
    if (bytes > 100) {
      EXPECT_LE(mostBytes, 2 * bytes);
    }
  }
}

TEST(FoundFileQueue, ACancelStopsTheDecodesAtOnceAndReleasesNothingMore) {
  Gates gates;
  Finder finder(gates);
  Receiver receiver;
  {
    TXDRFoundFileQueue queue(*receiver.worker, 3, kAllTypes);
    for (int id = 1; id <= 5; ++id)
      finder.Offer(queue, id);
    gates.WaitStarted(1);
    gates.WaitStarted(2);
    receiver.worker->Cancel();
    queue.ReleaseAll();
    EXPECT_TRUE(receiver.names.empty());
  }
  // Both held decodes gave up without their gates opening, and none began after the cancel.
  EXPECT_EQ(gates.Running(), 0);
  EXPECT_EQ(gates.FinishOrder().size(), 2u);
  EXPECT_EQ(gates.Started(), 2u);
}

TEST(FoundFileQueue, NoDecodeOutlivesTheQueue) {
  Gates gates;
  Finder finder(gates);
  Receiver receiver;
  {
    TXDRFoundFileQueue queue(*receiver.worker, 4, kAllTypes);
    for (int id = 1; id <= 6; ++id)
      finder.Offer(queue, id);
    gates.WaitStarted(1);
    gates.WaitStarted(2);
    gates.WaitStarted(3);
  }
  EXPECT_EQ(gates.Running(), 0);
  EXPECT_EQ(gates.Started(), 3u);
  EXPECT_TRUE(receiver.names.empty());
}

// A file that counts only with its picture, and whose picture fails, takes the files offered
// after it along; offers are refused until the finder has taken the place to go on from.
TEST(FoundFileQueue, ARefusedFileDiscardsTheFilesFoundAfterIt) {
  for (int32_t threads : {1, 3}) {
    SCOPED_TRACE(threads);
    Gates gates;
    gates.OpenAll();
    Finder finder(gates);
    Receiver receiver;
    TXDRFoundFileQueue queue(*receiver.worker, threads, kAllTypes);
    finder.Offer(queue, 1, true, {true, 100});
    finder.Offer(queue, 2, false, {true, 200});
    finder.Offer(queue, 3);
    queue.ReleaseAll();
    finder.Offer(queue, 4);
    EXPECT_EQ(queue.TakeResume(), 200);
    EXPECT_EQ(queue.TakeResume(), -1);
    finder.Offer(queue, 5);
    queue.ReleaseAll();
    EXPECT_EQ(receiver.names, (std::vector<std::string>{"1", "5"}));
  }
}

TEST(FoundFileQueue, FilesOfUnwantedTypesComeWithoutTheirPicturesUnlessRequired) {
  Gates gates;
  gates.OpenAll();
  Finder finder(gates);
  Receiver receiver;
  TXDRFoundFileQueue queue(*receiver.worker, 2, {".jpg"});
  queue.Offer(*finder.File(1, true, ".AVI"));
  queue.Offer(*finder.File(2, true, ".avi"), {true, 10});
  queue.Offer(*finder.File(3, true, ".JPG"));
  queue.ReleaseAll();
  EXPECT_EQ(receiver.names, (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_TRUE(receiver.status[0].Empty());
  EXPECT_TRUE(receiver.status[1].Contains(drThnValidated));
  EXPECT_TRUE(receiver.status[2].Contains(drThnValidated));
  EXPECT_EQ(gates.Started(), 2u);
}

// A finder given a sink that is no queue has each file's picture made as it offers it, and the
// file reaches the worker at once; a queue given to another finder keeps its own files.
TEST(FoundFileQueue, AnImmediateSinkMakesThePictureAtOnce) {
  Gates gates;
  gates.OpenAll();
  Finder finder(gates);
  Receiver receiver, other;
  TXDRFoundFileQueue queue(*other.worker, 2, kAllTypes);
  TXDRImmediateSink sink(*receiver.worker);
  sink.Offer(*finder.File(1, false));
  ASSERT_EQ(receiver.names, (std::vector<std::string>{"1"}));
  EXPECT_TRUE(receiver.status[0].Contains(drThnError));
  queue.Offer(*finder.File(2));
  queue.ReleaseAll();
  EXPECT_EQ(other.names, (std::vector<std::string>{"2"}));
  EXPECT_EQ(receiver.names.size(), 1u);
}

TEST(FoundFileQueue, ThreadsComeFromTheRequestOrTheProcessorCount) {
  EXPECT_EQ(TXDRFoundFileQueue::ThreadsFor(1), 1);
  EXPECT_EQ(TXDRFoundFileQueue::ThreadsFor(6), 6);
  EXPECT_EQ(TXDRFoundFileQueue::ThreadsFor(100000), 256);
  EXPECT_GE(TXDRFoundFileQueue::ThreadsFor(0), 1);
  EXPECT_EQ(TXDRFoundFileQueue::ThreadsFor(-3), TXDRFoundFileQueue::ThreadsFor(0));
}

}  // namespace
}  // namespace kova
