#include "sparse_medium.h"

#include <algorithm>
#include <cstring>

namespace kova::fuzz {

namespace {

uint32_t LE32(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                               static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void PutLE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(value >> shift));
}

constexpr uint32_t kSectorSizes[] = {0, 512, 4096};
constexpr size_t kHeader = 5;
constexpr size_t kRecordHeader = 4;

}  // namespace

SparseMedium DecodeSparseMedium(std::span<const uint8_t> input) {
  SparseMedium medium;
  if (input.size() < kHeader) return medium;
  medium.ReportedSectorSize = kSectorSizes[input[0] % 3];
  medium.Size = static_cast<int64_t>(LE32(input, 1)) * kSparseUnit;
  const int64_t units = medium.Size / kSparseUnit;
  for (size_t at = kHeader; at + kRecordHeader < input.size(); at += kRecordHeader + kSparseUnit) {
    const uint32_t number = LE32(input, at);
    const int64_t unit = number & kFromEnd ? units - 1 - (number & ~kFromEnd) : number;
    if (unit < 0 || unit >= units) continue;
    std::vector<uint8_t>& sector = medium.Sectors[unit * kSparseUnit];
    sector.assign(kSparseUnit, 0);
    const size_t count = std::min<size_t>(kSparseUnit, input.size() - at - kRecordHeader);
    std::copy_n(input.begin() + static_cast<ptrdiff_t>(at + kRecordHeader), count, sector.begin());
  }
  return medium;
}

std::vector<uint8_t> EncodeSparseMedium(std::span<const uint8_t> image,
                                        const std::vector<int64_t>& offsets,
                                        uint8_t sectorSizeChoice, int64_t tailUnits) {
  std::vector<uint8_t> out{sectorSizeChoice};
  const int64_t units = static_cast<int64_t>(image.size()) / kSparseUnit;
  PutLE32(out, static_cast<uint32_t>(units));
  for (int64_t offset : offsets) {
    if (offset < 0 || offset + kSparseUnit > static_cast<int64_t>(image.size())) continue;
    const auto sector = image.subspan(static_cast<size_t>(offset), kSparseUnit);
    if (std::all_of(sector.begin(), sector.end(), [](uint8_t b) { return b == 0; })) continue;
    const int64_t unit = offset / kSparseUnit;
    const bool inTail = unit >= units - tailUnits;
    PutLE32(out, inTail ? kFromEnd | static_cast<uint32_t>(units - 1 - unit)
                        : static_cast<uint32_t>(unit));
    out.insert(out.end(), sector.begin(), sector.end());
  }
  return out;
}

int64_t TXSparseMediumStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::clamp<int64_t>(medium_.Size - position_, 0, std::max<int64_t>(count, 0));
  auto* out = static_cast<uint8_t*>(buffer);
  std::memset(out, 0, static_cast<size_t>(n));
  // Every given sector that overlaps [position_, position_ + n).
  auto sector = medium_.Sectors.upper_bound(position_ - kSparseUnit);
  for (; sector != medium_.Sectors.end() && sector->first < position_ + n; ++sector) {
    const int64_t from = std::max(position_, sector->first);
    const int64_t to = std::min(position_ + n, sector->first + kSparseUnit);
    std::memcpy(out + (from - position_), sector->second.data() + (from - sector->first),
                static_cast<size_t>(to - from));
  }
  position_ += n;
  return n;
}

int64_t TXSparseMediumStream::Seek(int64_t offset, TXSeekOrigin origin) {
  const int64_t base = origin == TXSeekOrigin::soBeginning ? 0
                       : origin == TXSeekOrigin::soCurrent ? position_
                                                           : medium_.Size;
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

}  // namespace kova::fuzz
