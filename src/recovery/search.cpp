#include "recovery/search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "framework/core_app.h"
#include "storage/byte_window.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

// The bytes of the source around one position, fetched window by window. It gives exactly the
// bytes that one safe single-byte read per position would give, failures included, but reads
// each window once. It lives for one search call, as others may move the source's window between
// two calls.
class TXSourceView {
 public:
  TXSourceView(const TXSearch& search, TXStream& source)
      : search_(search), source_(source), window_(dynamic_cast<IXByteWindow*>(&source)) {}

  // The byte at pos; false outside the source, and when stopped if checkStop is set. The stop
  // check runs once per window fetched.
  bool Get(int64_t pos, uint8_t& value, bool checkStop) {
    if (!Holds(pos) && !Fetch(pos, checkStop)) return false;
    value = data_[pos - begin_];
    return true;
  }

  // After a successful Get: the bytes held from pos to the end of the current window.
  std::span<const uint8_t> HeldFrom(int64_t pos) const {
    return {data_ + (pos - begin_), static_cast<size_t>(end_ - pos)};
  }
  int64_t HeldEnd() const { return end_; }

 private:
  bool Holds(int64_t pos) const { return pos >= begin_ && pos < end_; }

  bool Fetch(int64_t pos, bool checkStop) {
    if (checkStop && search_.Stopped()) return false;
    if (pos < 0) return false;
    if (!window_) return FetchSingle(pos);
    std::span<const uint8_t> bytes;
    if (!TryWindow(pos, bytes) && !TryWindow(pos, bytes)) return HoldZero(pos);
    if (bytes.empty()) return false;
    data_ = bytes.data();
    begin_ = pos;
    end_ = pos + static_cast<int64_t>(bytes.size());
    return true;
  }

  // A failed window read leaves a window of zeros behind, so the second try normally succeeds.
  bool TryWindow(int64_t pos, std::span<const uint8_t>& bytes) {
    try {
      bytes = window_->WindowAt(pos);
      return true;
    } catch (...) {
      AbsorbReadFailure(nullptr, 0);
      return false;
    }
  }

  bool FetchSingle(int64_t pos) {
    if (!SafeReadByteAt(source_, pos, single_)) return false;
    return Hold(pos, &single_);
  }

  bool HoldZero(int64_t pos) {
    single_ = 0;
    return Hold(pos, &single_);
  }

  bool Hold(int64_t pos, const uint8_t* byte) {
    data_ = byte;
    begin_ = pos;
    end_ = pos + 1;
    return true;
  }

  const TXSearch& search_;
  TXStream& source_;
  IXByteWindow* window_;
  const uint8_t* data_ = nullptr;
  int64_t begin_ = 0;
  int64_t end_ = 0;
  uint8_t single_ = 0;
};

bool MatchesAt(TXSourceView& view, std::span<const uint8_t> pattern, int64_t pos, bool checkStop) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    uint8_t value = 0;
    if (!view.Get(pos + static_cast<int64_t>(i), value, checkStop) || value != pattern[i]) {
      return false;
    }
  }
  return true;
}

// (value - origin) modulo step, always in [0, step).
int64_t GridRemainder(int64_t value, int64_t origin, int64_t step) {
  int64_t r = (value - origin) % step;
  return r < 0 ? r + step : r;
}

constexpr int32_t kNoMatch = -1;
constexpr int32_t kStopped = -2;

// The pairs of bytes that may open a pattern, for each lead in use: no pattern begins at a grid
// position whose two bytes at a lead are none of the opening pairs of the patterns with that lead.
// Pairs rather than single bytes, as on random data a single opening byte still sends one grid
// position in twenty to the full comparison.
class TXOpeners {
 public:
  explicit TXOpeners(const TXGridPatternList& patterns) {
    for (const TXGridPattern& pattern : patterns) {
      if (pattern.Bytes.empty()) continue;
      TXLeadTable& table = TableOf(pattern.Lead);
      if (pattern.Bytes.size() > 1) {
        table.Add(pattern.Bytes[0], pattern.Bytes[1]);
      } else {
        for (int second = 0; second < 256; ++second)
          table.Add(pattern.Bytes[0], static_cast<uint8_t>(second));
      }
    }
  }

  // How many bytes from a grid position its lead bytes and opening pairs reach.
  int64_t Reach() const { return reach_; }
  // False only when no pattern can begin at `at`, whose bytes up to Reach() must be held.
  bool MayOpen(const uint8_t* at) const {
    for (const TXLeadTable& table : tables_) {
      if (table.Opens(at[table.Lead], at[table.Lead + 1])) return true;
    }
    return false;
  }

 private:
  struct TXLeadTable {
    static uint32_t PairOf(uint8_t first, uint8_t second) { return first << 8 | second; }
    void Add(uint8_t first, uint8_t second) {
      uint32_t pair = PairOf(first, second);
      Bits[pair >> 6] |= uint64_t{1} << (pair & 63);
    }
    bool Opens(uint8_t first, uint8_t second) const {
      uint32_t pair = PairOf(first, second);
      return (Bits[pair >> 6] >> (pair & 63)) & 1;
    }

    int32_t Lead = 0;
    // Words rather than std::bitset, whose lookup measured slower in the loop over the grid.
    std::array<uint64_t, 65536 / 64> Bits{};
  };

  TXLeadTable& TableOf(int32_t lead) {
    for (TXLeadTable& table : tables_) {
      if (table.Lead == lead) return table;
    }
    reach_ = std::max<int64_t>(reach_, lead + 2);
    return tables_.emplace_back(TXLeadTable{lead, {}});
  }

  std::vector<TXLeadTable> tables_;
  int64_t reach_ = 2;
};

// Compares all patterns at one grid position c in a single pass, byte by byte, dropping a pattern
// at its first differing byte. Answers the index of the pattern found, kNoMatch when none begins
// at c, or kStopped when a byte could not be read or lies beyond limit. `candidate` is scratch
// space of one flag per pattern.
int32_t MatchCandidate(TXSourceView& view, const TXGridPatternList& patterns, int64_t c,
                       int64_t limit, std::vector<uint8_t>& candidate) {
  candidate.assign(patterns.size(), 1);
  for (int64_t j = 0;; ++j) {
    int64_t i = c + j;
    uint8_t value = 0;
    if (!view.Get(i, value, true) || i > limit) return kStopped;
    bool someMatched = false;
    for (size_t k = 0; k < patterns.size(); ++k) {
      const TXGridPattern& pattern = patterns[k];
      if (!candidate[k] || pattern.Length() <= j) continue;
      if (j >= pattern.Lead && pattern.Bytes[static_cast<size_t>(j - pattern.Lead)] != value) {
        candidate[k] = 0;
        continue;
      }
      someMatched = true;
      if (j + 1 < pattern.Length()) continue;
      for (size_t earlier = 0; earlier < k; ++earlier) {
        const TXGridPattern& first = patterns[earlier];
        if (candidate[earlier] && MatchesAt(view, first.Bytes, c + first.Lead, true)) {
          return static_cast<int32_t>(earlier);
        }
      }
      return static_cast<int32_t>(k);
    }
    if (!someMatched) return kNoMatch;
  }
}

}  // namespace

bool TXSearch::Stopped() const {
  return CoreApp().IsTerminating() || (worker_ && worker_->IsTerminated());
}

bool TXSearch::ReadByte(uint8_t& value, int64_t position) {
  if (Stopped() || !source_) return false;
  return SafeReadByteAt(*source_, position, value);
}

bool TXSearch::MatchAt(std::span<const uint8_t> pattern, int64_t position) {
  if (pattern.empty()) return true;
  if (!source_) return false;
  TXSourceView view(*this, *source_);
  return MatchesAt(view, pattern, position, false);
}

bool TXSearch::AllEqualAt(uint8_t value, int64_t count, int64_t position) {
  if (count <= 0) return true;
  if (!source_) return false;
  TXSourceView view(*this, *source_);
  int64_t end = position + count;
  for (int64_t pos = position; pos < end;) {
    uint8_t first = 0;
    if (!view.Get(pos, first, false)) return false;
    std::span<const uint8_t> held = view.HeldFrom(pos);
    size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(held.size()), end - pos));
    for (size_t i = 0; i < n; ++i) {
      if (held[i] != value) return false;
    }
    pos += static_cast<int64_t>(n);
  }
  return true;
}

int64_t TXSearch::FindPattern(std::span<const uint8_t> pattern, int64_t start, int64_t limit) {
  if (!source_) return -1;
  int64_t lastByte = std::min(source_->Size(), limit);
  if (start > lastByte) return -1;
  if (pattern.empty()) return start;
  lastByte = std::min(lastByte, source_->Size() - 1);
  int64_t lastStart = lastByte - static_cast<int64_t>(pattern.size() - 1);
  TXSourceView view(*this, *source_);
  for (int64_t pos = start; pos <= lastStart;) {
    uint8_t value = 0;
    if (!view.Get(pos, value, true)) return -1;
    std::span<const uint8_t> held = view.HeldFrom(pos);
    size_t scan = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(held.size()), lastStart - pos + 1));
    const void* hit = std::memchr(held.data(), pattern[0], scan);
    if (!hit) {
      pos += static_cast<int64_t>(scan);
      continue;
    }
    pos += static_cast<const uint8_t*>(hit) - held.data();
    if (MatchesAt(view, pattern.subspan(1), pos + 1, true)) return pos;
    if (Stopped()) return -1;
    ++pos;
  }
  return -1;
}

int64_t TXSearch::FindPattern(const void* pattern, int64_t count, int64_t start) {
  return FindPattern(
      {static_cast<const uint8_t*>(pattern), static_cast<size_t>(std::max<int64_t>(0, count))},
      start, std::numeric_limits<int64_t>::max());
}

int64_t TXSearch::FindFirstOf(const TXGridPatternList& patterns, int32_t& index, int64_t start,
                              int64_t limit, int64_t origin, int64_t step) {
  index = -1;
  if (!source_ || step < 1) return -1;
  int64_t remainder = GridRemainder(start, origin, step);
  int64_t c = remainder > 0 ? start + step - remainder : start;
  if (limit < c) return -1;
  const TXOpeners openers(patterns);
  TXSourceView view(*this, *source_);
  std::vector<uint8_t> candidate;
  while (c <= limit) {
    uint8_t value = 0;
    if (!view.Get(c, value, true)) return -1;
    // Skip the grid positions of the window held where no pattern can begin; one whose lead bytes
    // lie beyond the window is compared in full.
    std::span<const uint8_t> held = view.HeldFrom(c);
    int64_t offset = 0;
    const int64_t heldSize = static_cast<int64_t>(held.size());
    const int64_t told = heldSize - openers.Reach() + 1;
    while (offset < told && !openers.MayOpen(held.data() + offset) && c + offset <= limit)
      offset += step;
    c += offset;
    if (c > limit) return -1;
    if (offset >= heldSize) continue;
    int32_t found = MatchCandidate(view, patterns, c, limit, candidate);
    if (found == kStopped) return -1;
    if (found >= 0) {
      index = found;
      return c;
    }
    c += step;
  }
  return -1;
}

int64_t TXSearch::FindFirstOf(const TXPatternList& patterns, int32_t& index, int64_t start,
                              int64_t limit, int64_t origin, int64_t step) {
  TXGridPatternList grid;
  grid.reserve(patterns.size());
  for (const TXPattern& pattern : patterns)
    grid.emplace_back(0, pattern);
  return FindFirstOf(grid, index, start, limit, origin, step);
}

}  // namespace kova
