#include "storage/rescue_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kova {

namespace {

void Zero(uint8_t* bytes, int64_t count) {
  if (count > 0) std::memset(bytes, 0, static_cast<size_t>(count));
}

void NoteUnreadable(TXAreaRead& outcome, int64_t pos, int64_t count) {
  if (count <= 0) return;
  outcome.Unreadable += count;
  if (outcome.FirstUnreadable < 0 || pos < outcome.FirstUnreadable) outcome.FirstUnreadable = pos;
}

}  // namespace

bool MeansDeviceGone(int error) {
  return error == ENOENT || error == ENXIO || error == ENODEV || error == ENOMEDIUM;
}

TXRescueReader::TXRescueReader(IXBlockDevice& device, std::shared_ptr<TXBadSectorMap> map)
    : device_(device),
      map_(map ? std::move(map) : std::make_shared<TXBadSectorMap>(device.Size())),
      sector_(std::max<int64_t>(512, device.SectorSize())),
      size_(device.Size()) {
  if (map_->Size() != size_) map_->Resize(size_);
}

void TXRescueReader::SetSize(int64_t size) {
  size_ = std::max<int64_t>(0, size);
  if (map_->Size() != size_) map_->Resize(size_);
}

TXAreaRead TXRescueReader::ReadArea(int64_t pos, uint8_t* buffer, int64_t count) {
  TXAreaRead outcome;
  count = std::clamp<int64_t>(size_ - pos, 0, count);
  outcome.Count = count;
  int64_t runStart = pos;
  for (const TXSectorArea& area : map_->AreasWithin(pos, count)) {
    if (!IsUnreadableState(area.State)) continue;
    if (!ReadRun(runStart, buffer + (runStart - pos), area.Pos - runStart, outcome) ||
        !SettleUnreadable(area, buffer + (area.Pos - pos), outcome))
      return outcome;
    runStart = area.End();
  }
  ReadRun(runStart, buffer + (runStart - pos), pos + count - runStart, outcome);
  return outcome;
}

bool TXRescueReader::ReadRun(int64_t pos, uint8_t* buffer, int64_t count, TXAreaRead& outcome) {
  if (count <= 0) return true;
  if (Request(pos, buffer, count, TXSectorState::ssNonTrimmed, outcome.Error, outcome.Gone))
    return true;
  if (outcome.Gone) return false;
  return SettleUnreadable({pos, count, TXSectorState::ssNonTrimmed}, buffer, outcome);
}

// An area known unreadable: zeros, after the edges of an untrimmed one were looked for (and
// every sector asked for when the user wants that).
bool TXRescueReader::SettleUnreadable(const TXSectorArea& area, uint8_t* buffer,
                                      TXAreaRead& outcome) {
  int error = 0;
  const bool untrimmed = area.State == TXSectorState::ssNonTrimmed;
  if (untrimmed && !Trim(area.Pos, buffer, area.Size, error)) {
    outcome.Gone = true;
    outcome.Error = error;
    return false;
  }
  if (!untrimmed && TryEverySector && area.State == TXSectorState::ssNonScraped &&
      !Scrape(area.Pos, buffer, area.Size, error)) {
    outcome.Gone = true;
    outcome.Error = error;
    return false;
  }
  for (const TXSectorArea& left : map_->AreasWithin(area.Pos, area.Size)) {
    if (!IsUnreadableState(left.State)) continue;
    Zero(buffer + (left.Pos - area.Pos), left.Size);
    NoteUnreadable(outcome, left.Pos, left.Size);
  }
  if (error != 0) outcome.Error = error;
  return true;
}

bool TXRescueReader::Request(int64_t pos, uint8_t* buffer, int64_t count, TXSectorState failed,
                             int& error, bool& gone) {
  // A second reader of a card that has failed reads as the first does now, so that neither the
  // cache's read-ahead nor its page-by-page retries ask the card for sectors the map knows.
  if (!pastCache_ && map_->UnreadableBytes() > 0) {
    device_.ReadPastCache();
    pastCache_ = true;
  }
  counts_.Requests.fetch_add(1, std::memory_order_relaxed);
  int64_t largest = counts_.LargestRequest.load(std::memory_order_relaxed);
  while (count > largest && !counts_.LargestRequest.compare_exchange_weak(largest, count)) {
  }
  int readError = 0;
  const int64_t n = device_.ReadAt(pos, buffer, count, readError);
  if (n >= 0) {
    Zero(buffer + n, count - n);
    map_->Mark(pos, count, TXSectorState::ssFinished);
    return true;
  }
  error = readError;
  gone = MeansDeviceGone(readError);
  if (gone) return false;
  counts_.FailedRequests.fetch_add(1, std::memory_order_relaxed);
  Zero(buffer, count);
  map_->Mark(pos, count, failed);
  return false;
}

int64_t TXRescueReader::ReadEdge(int64_t from, int64_t to, int64_t pos, uint8_t* buffer, int& error,
                                 bool& gone) {
  const bool forward = from <= to;
  int64_t edge = from;
  while (forward ? edge < to : edge > to) {
    const int64_t at = forward ? edge : edge - sector_;
    const int64_t n = std::min(sector_, forward ? to - at : edge - to);
    if (!Request(at, buffer + (at - pos), n, TXSectorState::ssBad, error, gone)) return edge;
    edge = forward ? edge + n : edge - n;
  }
  return edge;
}

bool TXRescueReader::Trim(int64_t pos, uint8_t* buffer, int64_t count, int& error) {
  return TrimFrom(pos, buffer, count, kTrimSkip, error);
}

// The area failed as a whole. Its front edge is found sector by sector; then the reading skips
// ahead and reads the rest in one request, so that a second bad range further on is told apart
// from the first instead of joining it into one unreadable stretch; the first range's back edge
// is then found sector by sector from where the skip landed. A rest that fails as well is
// trimmed the same way, the skip growing while the failure goes on.
bool TXRescueReader::TrimFrom(int64_t pos, uint8_t* buffer, int64_t count, int64_t skip,
                              int& error) {
  const int64_t end = pos + count;
  bool gone = false;
  const bool continues = pos > 0 && IsUnreadableState(map_->StateAt(pos - 1));
  int64_t front = pos;
  if (!continues) {
    front = ReadEdge(pos, end, pos, buffer, error, gone);
    if (gone) return false;
    if (front == end) return true;
    front = std::min(end, front + sector_);  // past the bad sector it met
  }
  const int64_t landing = std::min(end, (front + skip + sector_ - 1) / sector_ * sector_);
  if (landing < end) {
    uint8_t* rest = buffer + (landing - pos);
    const bool read =
        Request(landing, rest, end - landing, TXSectorState::ssNonTrimmed, error, gone);
    if (gone || !TrimBack(front, landing, pos, buffer, error)) return false;
    if (read) return true;
    const bool goesOn = IsUnreadableState(map_->StateAt(landing - 1));
    return TrimFrom(landing, rest, end - landing, goesOn ? skip * 2 : kTrimSkip, error);
  }
  return TrimBack(front, end, pos, buffer, error);
}

// Finds the back edge of a failure in [front, end) sector by sector from end; what lies between
// the edges is left unreadable, or asked for sector by sector with TryEverySector.
bool TXRescueReader::TrimBack(int64_t front, int64_t end, int64_t pos, uint8_t* buffer,
                              int& error) {
  bool gone = false;
  int64_t back = ReadEdge(end, front, pos, buffer, error, gone);
  if (gone) return false;
  if (back > front) back = std::max(front, back - sector_);  // before the bad sector it met
  if (back <= front) return true;
  map_->Mark(front, back - front, TXSectorState::ssNonScraped);
  return !TryEverySector || Scrape(front, buffer + (front - pos), back - front, error);
}

bool TXRescueReader::Scrape(int64_t pos, uint8_t* buffer, int64_t count, int& error) {
  bool gone = false;
  for (int64_t at = pos; at < pos + count; at += sector_) {
    const int64_t n = std::min(sector_, pos + count - at);
    Request(at, buffer + (at - pos), n, TXSectorState::ssBad, error, gone);
    if (gone) return false;
  }
  return true;
}

}  // namespace kova
