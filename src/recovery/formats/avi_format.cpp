#include "recovery/formats/avi_format.h"

#include <algorithm>
#include <array>
#include <vector>

#include "recovery/formats/format_reader.h"
#include "recovery/formats/scan_format_registry.h"

namespace kova {

namespace {

constexpr std::array<uint8_t, 4> kRiff = {'R', 'I', 'F', 'F'};
constexpr std::array<uint8_t, 4> kAvi = {'A', 'V', 'I', ' '};
constexpr std::array<uint8_t, 4> kList = {'L', 'I', 'S', 'T'};
constexpr int64_t kChunkHeader = 8;
constexpr int64_t kListHeader = 12;
constexpr int32_t kChunksPerStopCheck = 4096;
// Hours of video with sound take a few hundred thousand chunks, and lists nest three deep
// (hdrl, strl; movi, rec); more comes from damaged or hostile data.
constexpr int32_t kMostChunks = 1 << 21;
constexpr size_t kMostListDepth = 8;

// Chunk names are four printable characters ("00dc", "idx1", "LIST").
bool IsChunkId(const uint8_t* id) {
  for (int32_t i = 0; i < 4; ++i) {
    if (id[i] < 0x20 || id[i] > 0x7E) return false;
  }
  return true;
}

// The end of the chunk at pos when its header is sound and the chunk fits in [pos, limit), else
// -1; `list` tells a list. A chunk must lie in the source; a list may run past the limit (a
// file cut short): it ends there.
int64_t ChunkEnd(TXFormatReader& reader, int64_t pos, int64_t limit, bool& list) {
  uint8_t header[kChunkHeader];
  if (pos + kChunkHeader > limit || !reader.ReadAt(pos, header, kChunkHeader) || !IsChunkId(header))
    return -1;
  const int64_t end = pos + kChunkHeader + DecodeU32(header + 4, false);
  list = reader.Matches(pos, kList);
  if (list) return end - pos >= kListHeader ? std::min(end, limit) : -1;
  if (end > limit || end > reader.Size()) return -1;
  if ((end - pos) % 2 == 0 || end >= limit) return end;
  // RIFF pads a chunk of odd size with a byte; some writers leave it out.
  uint8_t next[4];
  const bool unpadded = reader.ReadAt(end, next, 4) && IsChunkId(next) &&
                        !(reader.ReadAt(end + 1, next, 4) && IsChunkId(next));
  return unpadded ? end : end + 1;
}

constexpr TXDRStartPattern kAviStarts[] = {{0, kRiff}};

}  // namespace

constinit const TXDRScanFormatDeclaration kAVIDeclaration{".avi", kAviStarts, kMostVideoBytes, 0,
                                                          MakeFormat<TXDRScanFormatAVI>};

TXDRScanFormatAVI::TXDRScanFormatAVI() : TXDRScanFormat(ClassOfKind(skAVI)) {}

// The RIFF's size field tells the file's length, but a head saved without its movie data names
// far more than follows it. The chunks inside are walked (into lists) to where they stop being
// sound: the file ends there, or at its declared end when every chunk is whole. Lists nested
// deeper than any writer nests them are not sound; a walk of more chunks than any movie has
// gives no result.
int64_t TXDRScanFormatAVI::MeasureEnd(TXSearch& search, int64_t start) {
  TXFormatReader reader(search);
  if (!reader.Matches(start, kRiff) || !reader.Matches(start + 8, kAvi)) return -1;
  uint32_t size = 0;
  if (!reader.U32At(start + 4, false, size) || size < 4) return -1;
  std::vector<int64_t> ends{start + kChunkHeader + size};
  int64_t pos = start + kListHeader;
  for (int32_t chunks = 1;; ++chunks) {
    while (ends.size() > 1 && pos >= ends.back())
      ends.pop_back();
    if (pos >= ends.front()) break;
    if (chunks % kChunksPerStopCheck == 0) reader.CheckStop();
    if (chunks > kMostChunks) throw EXMeasureAbort{};
    bool list = false;
    const int64_t end = ChunkEnd(reader, pos, ends.back(), list);
    if (end < 0 || (list && ends.size() > kMostListDepth)) break;
    if (list) {
      ends.push_back(end);
      pos += kListHeader;
    } else {
      pos = end;
    }
  }
  return pos > start + kListHeader ? std::min(pos, ends.front()) - 1 : -1;
}

}  // namespace kova
