#pragma once

#include <cstdint>

#include "recovery/recovery_aspects.h"

namespace kova {

class IXWorker;

// How the offer of a found file depends on its picture.
struct TXDRPictureRule {
  // The file counts only when its picture can be made (a JPEG found by the search).
  bool Required = false;
  // Where the finder's search goes on when such a file is refused.
  int64_t ResumeAt = -1;
};

// Where a finder puts the files it finds: the run's queue (TXDRFoundFileQueue), which makes their
// pictures on a pool of threads, or a sink that makes each picture at once. The finders are given
// one; every file reaches the run through it, dispatched on the worker on the finding thread.
class IXDRFoundFileSink {
 public:
  // Takes the file with the picture that its notification carries.
  virtual void Offer(TXFoundFileNotification& notification, TXDRPictureRule rule) = 0;
  void Offer(TXFoundFileNotification& notification) { Offer(notification, {}); }

 protected:
  ~IXDRFoundFileSink() = default;
};

// Makes each file's picture as it is offered and dispatches the file on the worker at once.
class TXDRImmediateSink final : public IXDRFoundFileSink {
 public:
  explicit TXDRImmediateSink(IXWorker& worker) : worker_(worker) {}

  using IXDRFoundFileSink::Offer;
  void Offer(TXFoundFileNotification& notification, TXDRPictureRule rule) override;

 private:
  IXWorker& worker_;
};

}  // namespace kova
