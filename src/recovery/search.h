#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "framework/managed_object.h"
#include "framework/stream.h"
#include "framework/worker_interfaces.h"

namespace kova {

using TXPattern = std::vector<uint8_t>;
using TXPatternList = std::vector<TXPattern>;

// A pattern of the grid search whose bytes are compared from `Lead` bytes after the grid position;
// the lead bytes may hold anything (a box whose size comes before its type).
struct TXGridPattern {
  TXGridPattern(int32_t lead, TXPattern bytes) : Lead(lead), Bytes(std::move(bytes)) {}
  bool operator==(const TXGridPattern&) const = default;
  // Every byte of the pattern, the lead ones included.
  int64_t Length() const { return Lead + static_cast<int64_t>(Bytes.size()); }

  int32_t Lead;
  TXPattern Bytes;
};
using TXGridPatternList = std::vector<TXGridPattern>;

// The cursor through which the scanners read the medium: single bytes at absolute positions,
// pattern comparison, forward search for one pattern and grid-aligned search for the first of
// several. The searches stop as soon as the application shuts down or the worker is terminated;
// a caller must check for that itself before taking -1 as the end of the data. Read failures
// inside the source read as zero bytes; a vanished device (code 11) is thrown.
class TXSearch : public TXObject {
 public:
  TXSearch() = default;

  const TXRef<IXWorker>& Worker() const { return worker_; }
  void SetWorker(TXRef<IXWorker> worker) { worker_ = std::move(worker); }
  // The stream searched; not owned (whoever sets it frees it).
  TXStream* Source() const { return source_; }
  void SetSource(TXStream* source) { source_ = source; }

  // True when the application shuts down or the worker has terminated.
  bool Stopped() const;

  // The byte at position; false when stopped or outside the source.
  bool ReadByte(uint8_t& value, int64_t position);
  // True when every byte of the pattern equals the source's byte at position + i; a byte outside
  // the source is a mismatch and an empty pattern matches. No stop check.
  bool MatchAt(std::span<const uint8_t> pattern, int64_t position);
  // True when the count bytes from position all equal value (always for count < 1); a byte
  // outside the source gives false. No stop check.
  bool AllEqualAt(uint8_t value, int64_t count, int64_t position);
  // The first position at or after start where the pattern lies whole within the source and at or
  // before limit, or -1. An empty pattern is found at start.
  int64_t FindPattern(std::span<const uint8_t> pattern, int64_t start, int64_t limit);
  int64_t FindPattern(const void* pattern, int64_t count, int64_t start);
  // The first position p at or after start, with (p - origin) a multiple of step and p <= limit,
  // at which one of the patterns begins; index receives that pattern's place in the list. All
  // patterns are compared in one pass per grid position; a pattern still matching when a later,
  // shorter one completes wins. Stops with -1 at the first byte that cannot be read or that lies
  // beyond limit. -1 (index -1) when nothing is found or step is below 1. The lead bytes of a grid
  // pattern match any value but must be readable like the others; every pattern has bytes to
  // compare.
  int64_t FindFirstOf(const TXGridPatternList& patterns, int32_t& index, int64_t start,
                      int64_t limit, int64_t origin, int64_t step);
  int64_t FindFirstOf(const TXPatternList& patterns, int32_t& index, int64_t start, int64_t limit,
                      int64_t origin, int64_t step);

 private:
  TXRef<IXWorker> worker_;
  TXStream* source_ = nullptr;
};

}  // namespace kova
