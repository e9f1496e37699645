#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "storage/bad_sector_map.h"
#include "storage/platform_device.h"

namespace kova {

// What one area read delivered.
struct TXAreaRead {
  int64_t Count = 0;             // bytes delivered (zeros where unreadable), 0 past the end
  int64_t Unreadable = 0;        // bytes of those that are zeros for want of a reading
  int64_t FirstUnreadable = -1;  // the first of them
  int Error = 0;                 // the errno of the last failed request
  bool Gone = false;             // the device went away (Error says how); nothing was marked
};

// The requests a reader made, for figures and tests.
struct TXReadCounts {
  std::atomic<int64_t> Requests{0};
  std::atomic<int64_t> FailedRequests{0};
  std::atomic<int64_t> LargestRequest{0};
};

// Reads a device the way a rescue tool does, keeping what it learns in the run's map. An area is
// asked for in one request; bytes the map knows to be unreadable are zeros at once and never asked
// for again. When a request fails, its area is trimmed: the front edge of the failure is found
// one sector at a time, the reading skips ahead past it and reads the rest, and the back edge is
// found one sector at a time from where it landed, so that only the sectors between a range's
// first and last failing one stay unreadable ("/", not scraped). A failure that goes on from an
// unreadable sector just before it has no front edge to look for. With TryEverySector the
// sectors in between are then asked for one by one as well. So a bad range inside one area
// costs three failing requests: the area's, one at each edge.
class TXRescueReader {
 public:
  TXRescueReader(IXBlockDevice& device, std::shared_ptr<TXBadSectorMap> map);

  // Reads [pos, pos + count) into buffer (whose address is aligned for the device's sectors).
  TXAreaRead ReadArea(int64_t pos, uint8_t* buffer, int64_t count);
  // One request for [pos, pos + count): the map records it read, or `failed`, and the buffer
  // holds zeros then. False when it failed; `gone` when the device went away (nothing marked).
  bool Request(int64_t pos, uint8_t* buffer, int64_t count, TXSectorState failed, int& error,
               bool& gone);
  // Trims the failed area [pos, pos + count) whose bytes go to buffer; false when the device
  // went away.
  bool Trim(int64_t pos, uint8_t* buffer, int64_t count, int& error);
  // Asks for every sector of [pos, pos + count) on its own; false when the device went away.
  bool Scrape(int64_t pos, uint8_t* buffer, int64_t count, int& error);

  TXBadSectorMap& Map() const { return *map_; }
  const std::shared_ptr<TXBadSectorMap>& SharedMap() const { return map_; }
  const TXReadCounts& Counts() const { return counts_; }
  int64_t Sector() const { return sector_; }
  // The bytes the medium holds: the device's size, or the one the user gave for a device that
  // does not know its own. Nothing past it is asked for.
  void SetSize(int64_t size);

  bool TryEverySector = false;

 private:
  // Reads a run of sectors that are not known to be unreadable.
  bool ReadRun(int64_t pos, uint8_t* buffer, int64_t count, TXAreaRead& outcome);
  bool SettleUnreadable(const TXSectorArea& area, uint8_t* buffer, TXAreaRead& outcome);
  // Steps one sector at a time from `from` by `step` (+1 or -1 sectors) until a sector fails or
  // `to` is reached; answers where the readable stretch ends.
  int64_t ReadEdge(int64_t from, int64_t to, int64_t pos, uint8_t* buffer, int& error, bool& gone);
  bool TrimFrom(int64_t pos, uint8_t* buffer, int64_t count, int64_t skip, int& error);
  bool TrimBack(int64_t front, int64_t end, int64_t pos, uint8_t* buffer, int& error);

  // How far a trim first skips past a bad sector before it reads on: beyond most bad ranges of
  // a card, and few sectors to read back one by one.
  static constexpr int64_t kTrimSkip = 64 << 10;

  IXBlockDevice& device_;
  std::shared_ptr<TXBadSectorMap> map_;
  int64_t sector_;
  int64_t size_;
  TXReadCounts counts_;
  bool pastCache_ = false;  // the device was told that the medium fails
};

// Whether an errno means that the device is gone (pulled, no medium).
bool MeansDeviceGone(int error);

}  // namespace kova
