#pragma once

#include <atomic>
#include <cstdint>

namespace kova {

// What a run has done so far, in numbers for the people watching it: the bytes of its work done
// and in all, the files it found or saved, and those it could not save (or the units it could
// not read). The run's thread writes them as it goes, each at the cost of a relaxed atomic
// operation; any thread may read them at any time. Done never moves backwards during a run and
// is never read as more than Total. A scan also counts the directory entries it reads, so that
// its folder phases, which search no bytes yet, show a figure that moves.
class TXRunFigures {
 public:
  struct TXSnapshot {
    int64_t Done = 0;
    int64_t Total = 0;
    int32_t Files = 0;
    int32_t Failed = 0;
    int32_t Damaged = 0;     // files saved with unreadable parts
    int64_t BadAreas = 0;    // unreadable areas of the medium found so far
    int64_t Unreadable = 0;  // their bytes
    int64_t Entries = 0;     // directory entries read (a scan's folder phases)
    int64_t Missing = 0;     // bytes of the medium's volumes past its end (a cut image)
  };

  // Everything back to 0, for the next run.
  void Reset();
  void SetTotal(int64_t bytes);
  // Moves Done forward to the value; a smaller value changes nothing.
  void ReachDone(int64_t bytes);
  void AddDone(int64_t bytes);
  void CountFile();
  void CountFailures(int32_t count = 1);
  void CountDamaged();
  // What is known so far of the medium's unreadable areas.
  void SetUnreadable(int64_t areas, int64_t bytes);
  // One more directory entry (of a file, whatever its type) read from the medium's folders.
  void CountEntry();
  // The bytes of the medium's volumes that lie past its end, which the scan cannot read.
  void SetMissing(int64_t bytes);

  TXSnapshot Read() const;

 private:
  std::atomic<int64_t> done_{0};
  std::atomic<int64_t> total_{0};
  std::atomic<int32_t> files_{0};
  std::atomic<int32_t> failed_{0};
  std::atomic<int32_t> damaged_{0};
  std::atomic<int64_t> badAreas_{0};
  std::atomic<int64_t> unreadable_{0};
  std::atomic<int64_t> entries_{0};
  std::atomic<int64_t> missing_{0};
};

}  // namespace kova
