#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "framework/stream.h"

// A large medium described by a few sectors, so that a fuzz input of a few kilobytes can stand
// for a partitioned card of gigabytes: its size, the sector size a drive would report, and the
// sectors that are not zeros.
//
// The input: byte 0 picks the reported sector size (0: none, as for an image file; 1: 512;
// 2: 4096), bytes 1 to 4 are the medium's size in 512-byte units (little-endian), then come
// records of a 4-byte sector number and 512 bytes. A sector number with its top bit set counts
// from the end of the medium (0x80000000 is the last sector), so that a GPT's backup stays at
// the end whatever the size. Sectors past the end are left out; the last record may be short.
namespace kova::fuzz {

inline constexpr int64_t kSparseUnit = 512;
inline constexpr uint32_t kFromEnd = 0x80000000;

struct SparseMedium {
  uint32_t ReportedSectorSize = 0;
  int64_t Size = 0;
  std::map<int64_t, std::vector<uint8_t>> Sectors;  // by byte offset, each kSparseUnit bytes
};

SparseMedium DecodeSparseMedium(std::span<const uint8_t> input);

// The input that describes `image` by the sectors at `offsets` (bytes, multiples of 512) that
// are not all zeros; those in the last `tailUnits` units of the image are counted from its end.
std::vector<uint8_t> EncodeSparseMedium(std::span<const uint8_t> image,
                                        const std::vector<int64_t>& offsets,
                                        uint8_t sectorSizeChoice, int64_t tailUnits);

// The medium as a read-only stream: zeros wherever no sector was given.
class TXSparseMediumStream : public TXStream {
 public:
  explicit TXSparseMediumStream(const SparseMedium& medium) : medium_(medium) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TXSeekOrigin origin) override;
  int64_t GetSize() override { return medium_.Size; }

 private:
  const SparseMedium& medium_;
  int64_t position_ = 0;
};

}  // namespace kova::fuzz
