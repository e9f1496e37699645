#pragma once

#include <cstdint>

namespace kova {

class TXBlocks;
class TXDRFileItem;

// Follows the deep scan's sweep over the medium, so that a found file can be saved while its
// bytes have just been read, instead of being read from the medium a second time afterwards.
// Called on the scan thread.
class IXDRSweepSink {
 public:
  // The run kept the file in its collection. `inSweep` when the sweep has just measured it (its
  // bytes were read a moment ago); the files of the directories are kept before the sweep.
  virtual void Kept(const TXDRFileItem& item, bool inSweep) = 0;
  // A pass of the sweep begins over `area` of the medium, read from start to end.
  virtual void PassBegins(const TXBlocks& area) = 0;
  // The pass has read everything of its area before `position`.
  virtual void Swept(int64_t position) = 0;

 protected:
  ~IXDRSweepSink() = default;
};

}  // namespace kova
