#include "recovery/found_file_queue.h"

#include <sched.h>

#include <algorithm>
#include <exception>
#include <system_error>

#include "framework/error_data.h"
#include "framework/worker_interfaces.h"
#include "imaging/decode_stop.h"
#include "recovery/run_stopped.h"

namespace kova {

namespace {

// Enough files per thread that the helpers find work while the finder copies the next one.
constexpr int32_t kFilesPerThread = 4;
constexpr int64_t kWindowBytes = int64_t{32} << 20;
constexpr int64_t kWindowBytesPerThread = int64_t{8} << 20;

int32_t ProcessorCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

struct TXDRFoundFileQueue::TXEntry {
  enum class TXState : uint8_t { sWaiting, sDecoding, sDone };

  TXRef<TXFoundFileNotification> Notification;
  std::unique_ptr<TXDRPictureJob> Picture;
  TXDRPictureRule Rule;
  int64_t Bytes = 0;
  TXState State = TXState::sDone;
  std::atomic<bool> Discarded{false};
};

TXDRFoundFileQueue::TXDRFoundFileQueue(IXWorker& worker, int32_t threads, TXExtensionList wanted)
    : worker_(worker),
      wanted_(std::move(wanted)),
      threads_(ThreadsFor(threads)),
      maxFiles_(kFilesPerThread * threads_),
      maxBytes_(kWindowBytes + kWindowBytesPerThread * threads_) {
  try {
    while (static_cast<int32_t>(helpers_.size()) + 1 < threads_)
      helpers_.emplace_back([this] { HelperBody(); });
  } catch (const std::system_error&) {
    // Fewer helpers than asked for: the finding thread decodes the rest itself.
  }
}

TXDRFoundFileQueue::~TXDRFoundFileQueue() {
  {
    std::lock_guard hold(mutex_);
    ending_ = true;
    DiscardAll();
  }
  work_.notify_all();
  for (std::thread& helper : helpers_)
    helper.join();
}

int32_t TXDRFoundFileQueue::ThreadsFor(int32_t requested) {
  return requested > 0 ? std::min(requested, kMostPictureThreads) : ProcessorCount();
}

bool TXDRFoundFileQueue::Stopped() const {
  return ending_ || RunStopped(worker_);
}

int32_t TXDRFoundFileQueue::FilesInFlight() const {
  std::lock_guard hold(mutex_);
  return static_cast<int32_t>(window_.size());
}

int64_t TXDRFoundFileQueue::BytesInFlight() const {
  std::lock_guard hold(mutex_);
  return bytes_;
}

void TXDRFoundFileQueue::Offer(TXFoundFileNotification& notification, TXDRPictureRule rule) {
  TXDRFoundFileAspect& found = notification.Aspect();
  auto entry = std::make_shared<TXEntry>();
  entry->Notification = TXRef<TXFoundFileNotification>(&notification);
  entry->Rule = rule;
  entry->Picture = std::move(found.Picture);
  if (entry->Picture && !rule.Required && !ListHasExtension(wanted_, found.Item->Ext))
    entry->Picture.reset();
  entry->Bytes = entry->Picture ? entry->Picture->SourceSize() : 0;
  TXLock lock(mutex_);
  WaitForRoom(lock, entry->Bytes);
  if (resume_ || Stopped()) return;
  if (entry->Picture) {
    lock.unlock();
    entry->Picture->Prepare();
    lock.lock();
    if (entry->Picture->NeedsDecoding()) entry->State = TXEntry::TXState::sWaiting;
  }
  window_.push_back(entry);
  bytes_ += entry->Bytes;
  if (entry->State == TXEntry::TXState::sWaiting) work_.notify_one();
  if (helpers_.empty()) {
    ReleaseAll(lock);
  } else {
    ReleaseDone(lock);
  }
}

void TXDRFoundFileQueue::ReleaseAll() {
  TXLock lock(mutex_);
  ReleaseAll(lock);
}

int64_t TXDRFoundFileQueue::TakeResume() {
  std::lock_guard hold(mutex_);
  return std::exchange(resume_, std::nullopt).value_or(-1);
}

void TXDRFoundFileQueue::WaitForRoom(TXLock& lock, int64_t bytes) {
  auto full = [&] {
    return static_cast<int32_t>(window_.size()) >= maxFiles_ || bytes_ + bytes > maxBytes_;
  };
  while (!window_.empty() && full() && !resume_ && !Stopped()) {
    if (!ReleaseDone(lock)) HelpOrWait(lock);
  }
}

void TXDRFoundFileQueue::ReleaseAll(TXLock& lock) {
  while (!window_.empty() && !resume_ && !Stopped()) {
    if (!ReleaseDone(lock)) HelpOrWait(lock);
  }
}

bool TXDRFoundFileQueue::ReleaseDone(TXLock& lock) {
  ForgetDiscarded();
  bool released = false;
  while (!window_.empty() && window_.front()->State == TXEntry::TXState::sDone && !resume_ &&
         !Stopped()) {
    TXEntryRef entry = std::move(window_.front());
    window_.pop_front();
    bytes_ -= entry->Bytes;
    lock.unlock();
    const bool kept = Release(*entry);
    lock.lock();
    if (!kept) Refuse(*entry);
    released = true;
  }
  return released;
}

bool TXDRFoundFileQueue::Release(TXEntry& entry) {
  TXDRFileItem& item = *entry.Notification->Aspect().Item;
  if (entry.Picture && !entry.Picture->ApplyTo(item, entry.Rule.Required)) return false;
  if (!ListHasExtension(wanted_, item.Ext)) item.Thumbnail.Clear();
  worker_.Dispatch(*entry.Notification);
  return true;
}

void TXDRFoundFileQueue::Refuse(const TXEntry& entry) {
  DiscardAll();
  resume_ = entry.Rule.ResumeAt;
}

void TXDRFoundFileQueue::DiscardAll() {
  for (TXEntryRef& entry : window_) {
    entry->Discarded = true;
    // The notification is counted by the finding thread alone: the helper still decoding the
    // file must not be the one that frees it.
    if (entry->State == TXEntry::TXState::sDecoding) discarded_.push_back(std::move(entry));
  }
  window_.clear();
  bytes_ = 0;
}

void TXDRFoundFileQueue::ForgetDiscarded() {
  std::erase_if(discarded_,
                [](const TXEntryRef& entry) { return entry->State == TXEntry::TXState::sDone; });
}

void TXDRFoundFileQueue::HelpOrWait(TXLock& lock) {
  if (TXEntryRef entry = NextToDecode()) {
    Decode(lock, *entry);
  } else if (AnyDecoding()) {
    decoded_.wait(lock);
  }
}

TXDRFoundFileQueue::TXEntryRef TXDRFoundFileQueue::NextToDecode() const {
  if (Stopped()) return nullptr;
  for (const TXEntryRef& entry : window_) {
    if (entry->State == TXEntry::TXState::sWaiting) return entry;
  }
  return nullptr;
}

bool TXDRFoundFileQueue::AnyDecoding() const {
  return std::ranges::any_of(
      window_, [](const TXEntryRef& entry) { return entry->State == TXEntry::TXState::sDecoding; });
}

void TXDRFoundFileQueue::Decode(TXLock& lock, TXEntry& entry) {
  entry.State = TXEntry::TXState::sDecoding;
  lock.unlock();
  try {
    TXDecodeStopScope stop([this, &entry] { return entry.Discarded || Stopped(); });
    entry.Picture->Decode(entry.Notification->Aspect().Item->Thumbnail);
  } catch (const std::exception&) {
    // Out of memory around the decode: the picture stays unmade, like any that fails.
  }
  lock.lock();
  entry.State = TXEntry::TXState::sDone;
  decoded_.notify_all();
}

void TXDRFoundFileQueue::HelperBody() {
  try {
    TXLock lock(mutex_);
    while (!ending_) {
      if (TXEntryRef entry = NextToDecode()) {
        Decode(lock, *entry);
      } else {
        work_.wait(lock);
      }
    }
  } catch (const std::exception&) {
    // A failing lock ends this helper; the finding thread decodes what it leaves.
  }
}

}  // namespace kova
