#include "fat/long_name.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "framework/unicode_text.h"
#include "ondisk/little_endian.h"

namespace kova {

namespace {

constexpr uint8_t kLastPart = 0x40;
constexpr size_t kMaxParts = 20;  // 255 characters
constexpr std::array<size_t, 13> kUnitOffsets = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

// The checksum is a bijection of a name's first byte, so exactly one first byte gives it; the
// entry with that byte back must be a sound short entry.
bool RestoredEntryIsValid(TXDirEntryBytes deleted, uint8_t checksum) {
  std::array<uint8_t, kDirEntrySize> entry;
  std::copy(deleted.begin(), deleted.end(), entry.begin());
  for (int first = 0; first < 256; ++first) {
    entry[0] = static_cast<uint8_t>(first);
    if (ShortNameChecksum(entry.data()) == checksum)
      return first != kDeletedMark && IsValidShortEntry(TXDirEntryBytes(entry));
  }
  return false;
}

}  // namespace

uint8_t ShortNameChecksum(const uint8_t* name11) {
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i)
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[i]);
  return sum;
}

void TXLongNameCollector::Add(TXDirEntryBytes entry) {
  Part part{entry[0], entry[13], IsDeletedEntry(entry), {}};
  for (size_t i = 0; i < kUnitOffsets.size(); ++i)
    part.Units[i] = static_cast<char16_t>(LeU16(entry, kUnitOffsets[i]));
  bool startsLive = !part.Deleted && (part.Sequence & kLastPart);
  bool mixes = !parts_.empty() && parts_.back().Deleted != part.Deleted;
  if (startsLive || mixes || parts_.size() >= kMaxParts) parts_.clear();
  parts_.push_back(part);
}

bool TXLongNameCollector::LiveSequenceHolds(uint8_t checksum) const {
  const size_t count = parts_.size();
  if ((parts_.front().Sequence & ~kLastPart) != count || !(parts_.front().Sequence & kLastPart))
    return false;
  for (size_t i = 0; i < count; ++i) {
    const Part& part = parts_[i];
    if (part.Deleted || part.Checksum != checksum || (part.Sequence & 0x3F) != count - i)
      return false;
  }
  return true;
}

bool TXLongNameCollector::KeepDeletedRun(uint8_t checksum) {
  auto stranger = std::find_if(parts_.rbegin(), parts_.rend(), [checksum](const Part& p) {
    return !p.Deleted || p.Checksum != checksum;
  });
  parts_.erase(parts_.begin(), stranger.base());
  return !parts_.empty();
}

std::string TXLongNameCollector::Text() const {
  std::vector<char16_t> units;
  for (auto part = parts_.rbegin(); part != parts_.rend(); ++part)
    units.insert(units.end(), std::begin(part->Units), std::end(part->Units));
  std::replace(units.begin(), units.end(), char16_t{0xFFFF}, char16_t{0});
  return Utf16ToUtf8(units);
}

std::string TXLongNameCollector::NameFor(TXDirEntryBytes shortEntry) {
  if (parts_.empty()) return {};
  std::string text;
  if (!IsDeletedEntry(shortEntry)) {
    if (LiveSequenceHolds(ShortNameChecksum(shortEntry.data()))) text = Text();
  } else if (KeepDeletedRun(parts_.back().Checksum) &&
             RestoredEntryIsValid(shortEntry, parts_.back().Checksum)) {
    text = Text();
  }
  parts_.clear();
  return text;
}

}  // namespace kova
