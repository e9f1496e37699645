#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "recovery/file_types.h"
#include "recovery/found_file_sink.h"
#include "recovery/recovery_aspects.h"

namespace kova {

class IXWorker;

// The most threads a run decodes pictures with.
inline constexpr int32_t kMostPictureThreads = 256;

// The found files of a run on their way from the finders to the worker, their pictures decoded on
// a pool of threads while the finding thread goes on finding. Files leave in the order in which
// they were offered, each dispatched on the worker on the finding thread once its picture is
// made: the run sees what it would see if every picture were made as its file is found.
//
// A file whose rule requires its picture and whose picture cannot be made is refused when its
// turn comes. The files offered after it are then discarded, since the finder found them on the
// assumption that it would count, and the finder learns from TakeResume where its search goes
// on; until it asks, new offers are dropped too.
//
// The window is bounded by a number of files per thread and a budget of copied bytes (one file
// above the budget passes alone). An offer waits while the window is full, and the finding thread
// decodes pictures itself while it waits. Everything but the helpers' decoding happens on the
// finding thread. Once the run stops (cancel, application end) nothing more is released and the
// decodes in progress give up; the queue's end discards what is left and waits for its helpers,
// so no decode outlives the queue.
class TXDRFoundFileQueue final : public IXDRFoundFileSink {
 public:
  // `threads` make pictures, the finding thread among them; with 1 every picture is made on the
  // finding thread as its file is offered. A file whose extension is not in `wanted` is offered
  // without its picture unless its rule requires one, and then without the picture made for
  // that rule (the run keeps no thumbnail of such files).
  TXDRFoundFileQueue(IXWorker& worker, int32_t threads, TXExtensionList wanted);
  ~TXDRFoundFileQueue();
  TXDRFoundFileQueue(const TXDRFoundFileQueue&) = delete;
  TXDRFoundFileQueue& operator=(const TXDRFoundFileQueue&) = delete;

  // The number of picture threads for a request: the request (at most kMostPictureThreads), or
  // one per processor core available to the process for 0 or less.
  static int32_t ThreadsFor(int32_t requested);

  // Takes the file with the picture that its notification carries.
  using IXDRFoundFileSink::Offer;
  void Offer(TXFoundFileNotification& notification, TXDRPictureRule rule) override;
  // Releases every file offered so far, in order, unless the run stops or a file is refused.
  void ReleaseAll();
  // Where the search goes on after the last refused file, or -1; asking lets offers in again.
  int64_t TakeResume();

  int32_t Threads() const { return threads_; }
  int32_t MaxFiles() const { return maxFiles_; }
  int64_t MaxBytes() const { return maxBytes_; }
  // What the window holds now.
  int32_t FilesInFlight() const;
  int64_t BytesInFlight() const;

 private:
  struct TXEntry;
  using TXEntryRef = std::shared_ptr<TXEntry>;
  using TXLock = std::unique_lock<std::mutex>;

  bool Stopped() const;
  void HelperBody();
  void WaitForRoom(TXLock& lock, int64_t bytes);
  void ReleaseAll(TXLock& lock);
  // Releases the files at the front whose pictures are done; true when it released any.
  bool ReleaseDone(TXLock& lock);
  // Dispatches the file unless it is refused (false).
  bool Release(TXEntry& entry);
  void Refuse(const TXEntry& entry);
  // Decodes a waiting picture on this thread, else waits for a helper to finish one.
  void HelpOrWait(TXLock& lock);
  TXEntryRef NextToDecode() const;
  bool AnyDecoding() const;
  void Decode(TXLock& lock, TXEntry& entry);
  void DiscardAll();
  // Frees the discarded files whose decodes have ended.
  void ForgetDiscarded();

  IXWorker& worker_;
  const TXExtensionList wanted_;
  const int32_t threads_;
  const int32_t maxFiles_;
  const int64_t maxBytes_;

  mutable std::mutex mutex_;
  std::condition_variable work_;     // helpers wait here for a picture to decode
  std::condition_variable decoded_;  // the finding thread waits here for a decode to end
  std::deque<TXEntryRef> window_;
  std::vector<TXEntryRef> discarded_;  // discarded while a helper decodes them
  int64_t bytes_ = 0;
  std::optional<int64_t> resume_;
  std::atomic<bool> ending_{false};
  std::vector<std::thread> helpers_;
};

}  // namespace kova
