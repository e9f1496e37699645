#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a run knows of each byte of a medium: read, failed, or not yet tried. The states and the
// text form are those of GNU ddrescue's mapfile, so a map written here is one ddrescue and
// ddrescuelog read, and a mapfile written by ddrescue tells a recovery from its image where the
// holes are.
namespace kova {

// The mapfile that an image copy keeps beside its image, "<image>.map".
std::string ImageMapFileOf(const std::string& imagePath);

enum class TXSectorState : char {
  ssUntried = '?',     // never asked for
  ssNonTrimmed = '*',  // a large read over it failed; its edges are still to be read
  ssNonScraped = '/',  // inside a failed area whose edges were read sector by sector
  ssBad = '-',         // a single sector that failed on its own
  ssFinished = '+',    // read
};

// A state of the run as a whole (the mapfile's current status).
enum class TXRescuePhase : char {
  rpCopying = '?',
  rpTrimming = '*',
  rpScraping = '/',
  rpRetrying = '-',
  rpFinished = '+',
};

struct TXSectorArea {
  int64_t Pos = 0;
  int64_t Size = 0;
  TXSectorState State = TXSectorState::ssUntried;

  int64_t End() const { return Pos + Size; }
  bool operator==(const TXSectorArea&) const = default;
};

// Whether the bytes of a state were tried and could not be read.
bool IsUnreadableState(TXSectorState state);

// The states of [0, Size) as adjoining areas. Safe to use from several threads (the run's thread
// marks, the user-interface thread reads the figures).
class TXBadSectorMap {
 public:
  explicit TXBadSectorMap(int64_t size = 0);
  TXBadSectorMap(const TXBadSectorMap& other);
  TXBadSectorMap& operator=(const TXBadSectorMap& other);

  int64_t Size() const;
  // A new size: bytes beyond the old end are untried, bytes beyond the new one forgotten.
  void Resize(int64_t size);
  // Gives [pos, pos + size) (clipped to the map) one state.
  void Mark(int64_t pos, int64_t size, TXSectorState state);
  TXSectorState StateAt(int64_t pos) const;
  // The areas in order, neighbours of one state joined.
  std::vector<TXSectorArea> Areas() const;
  // The areas that cover [pos, pos + size), cut to it.
  std::vector<TXSectorArea> AreasWithin(int64_t pos, int64_t size) const;
  // The first area of `state` that ends after `from`, cut to start at `from` at the earliest.
  std::optional<TXSectorArea> NextArea(int64_t from, TXSectorState state) const;

  // Bytes of [pos, pos + size) that were tried and could not be read.
  int64_t UnreadableWithin(int64_t pos, int64_t size) const;
  int64_t UnreadableBytes() const;
  // Areas of unreadable bytes, neighbouring unreadable states counted as one.
  int64_t BadAreaCount() const;
  int64_t BytesIn(TXSectorState state) const;
  // Every byte read or given up as a single bad sector: nothing is left to try.
  bool IsComplete() const;
  // A map of an image file: bytes never copied are as missing as bytes that failed.
  void MarkUntriedBad();

  int64_t CurrentPos = 0;
  TXRescuePhase Phase = TXRescuePhase::rpCopying;
  int32_t Pass = 1;

  // GNU ddrescue's mapfile: comment lines, "current_pos current_status current_pass", then one
  // "pos size status" line per area, numbers in hexadecimal.
  std::string ToMapfile(std::string_view commandLine = {}) const;
  // Reads a mapfile; areas it does not cover (before its first, after its last) are untried.
  // Empty with the reason in `error` when the text is no mapfile.
  static std::optional<TXBadSectorMap> FromMapfile(std::string_view text, std::string& error);

  // Writes the mapfile beside `path` and renames it into place, so a reader never sees half of
  // one. False with the errno in `error`.
  bool SaveMapfile(const std::string& path, int& error, std::string_view commandLine = {}) const;
  // Empty with the reason in `error` (the system's text, or what is wrong with the text).
  static std::optional<TXBadSectorMap> LoadMapfile(const std::string& path, std::string& error);

 private:
  using TXAreaMap = std::map<int64_t, TXSectorArea>;  // keyed by Pos

  void MarkLocked(int64_t pos, int64_t size, TXSectorState state);
  void SplitAt(int64_t pos);
  void JoinAround(int64_t pos, int64_t end);
  template <typename Visit>
  void VisitWithin(int64_t pos, int64_t size, Visit visit) const;

  mutable std::mutex mutex_;
  int64_t size_ = 0;
  TXAreaMap areas_;
};

}  // namespace kova
