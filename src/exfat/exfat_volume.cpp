#include "exfat/exfat_volume.h"

#include <algorithm>
#include <bit>

#include "exfat/exfat_directory.h"
#include "framework/stream.h"
#include "framework/unicode_text.h"
#include "ondisk/little_endian.h"
#include "recovery/blocks.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
constexpr size_t kLabelChars = 11;
// A directory holds at most 256 MiB of entries.
constexpr uint64_t kMaxDirectoryBytes = uint64_t{256} << 20;

std::string LabelOf(const TXExfatRawEntry& entry) {
  std::vector<char16_t> units;
  for (size_t i = 0; i < std::min<size_t>(entry[1], kLabelChars); ++i)
    units.push_back(static_cast<char16_t>(LeU16(entry, 2 + 2 * i)));
  return Utf16ToUtf8(units);
}

}  // namespace

bool TXExfatVolume::Load(TXStream& stream) {
  *this = TXExfatVolume();
  stream_ = &stream;
  region_ = ReadExfatBootRegion(StreamReader(stream));
  if (region_.Source == TXExfatBootSource::bsNone) return false;
  const int64_t size = stream.Size();
  const int64_t heap = Boot().HeapOffset();
  const int64_t inside = size > heap ? (size - heap) / ClusterBytes() : 0;
  clusters_ = static_cast<uint32_t>(std::min<int64_t>(inside, Boot().ClusterCount()));
  if (!IsDataCluster(Boot().RootCluster())) return false;
  ReadRootFacts();
  return true;
}

uint64_t TXExfatVolume::ClustersFor(uint64_t length) const {
  const auto cluster = static_cast<uint64_t>(ClusterBytes());
  return length / cluster + (length % cluster != 0);
}

void TXExfatVolume::ReadRootFacts() {
  TXClusterMarks marks;
  marks.Resize(int64_t{clusters_} + 2);
  const std::vector<uint32_t> root =
      DataClusters(Boot().RootCluster(), kMaxDirectoryBytes, false, marks);
  const TXExfatListing listing = ListExfatDirectory(*this, root, [] { return false; });
  for (const TXExfatRawEntry& entry : listing.Others) {
    // Of two bitmaps (volumes with two FATs) the one of the active FAT.
    if (entry[0] == kExfatBitmapEntry && (entry[1] & 1) == Boot().ActiveFat() && !HasBitmap())
      LoadBitmap(LeU32(entry, 20), LeU64(entry, 24));
    if (entry[0] == kExfatLabelEntry && label_.empty()) label_ = LabelOf(entry);
  }
}

bool TXExfatVolume::LoadBitmap(uint32_t first, uint64_t length) {
  const uint64_t needed = (uint64_t{clusters_} + 7) / 8;
  if (length < needed) return false;
  TXClusterMarks marks;
  marks.Resize(int64_t{clusters_} + 2);
  std::vector<uint32_t> chain = DataClusters(first, needed, false, marks);
  if (ClustersFor(needed) != chain.size()) {
    // Formatters chain the bitmap, but its clusters are contiguous: a broken chain is read so.
    marks.ClearMarked();
    chain = DataClusters(first, needed, true, marks);
    if (ClustersFor(needed) != chain.size()) return false;
  }
  std::vector<uint8_t> bytes(needed);
  uint64_t at = 0;
  for (uint32_t cluster : chain) {
    const uint64_t part = std::min<uint64_t>(needed - at, ClusterBytes());
    if (!SafeReadAt(*stream_, bytes.data() + at, static_cast<int64_t>(part),
                    ClusterOffset(cluster)))
      return false;
    at += part;
  }
  bitmap_.assign((needed + 7) / 8, 0);
  for (uint64_t i = 0; i < needed; ++i)
    bitmap_[i / 8] |= uint64_t{bytes[i]} << (8 * (i % 8));
  // Bits past the last cluster mean nothing; clearing them keeps the counts exact.
  const uint64_t lastBits = clusters_ % 64;
  if (lastBits) bitmap_.back() &= (uint64_t{1} << lastBits) - 1;
  return true;
}

uint32_t TXExfatVolume::FatEntry(uint32_t cluster) {
  if (!IsDataCluster(cluster)) return 0;
  const int64_t first = cluster / kFatPageEntries * int64_t{kFatPageEntries};
  if (first != fatPageFirst_) {
    fatPage_.assign(kFatPageEntries, 0);
    fatPageFirst_ = first;
    if (!SafeReadAt(*stream_, fatPage_.data(), kFatPageEntries * 4, Boot().FatOffset() + first * 4))
      fatPage_.assign(kFatPageEntries, 0);
  }
  return fatPage_[cluster - first];
}

bool TXExfatVolume::IsAllocated(uint32_t cluster) const {
  if (!IsDataCluster(cluster) || !HasBitmap()) return true;
  const uint32_t bit = cluster - 2;
  return bitmap_[bit / 64] >> (bit % 64) & 1;
}

uint64_t TXExfatVolume::NextBit(uint64_t from, bool allocated) const {
  for (uint64_t bit = from; bit < clusters_;) {
    const uint64_t word = allocated ? bitmap_[bit / 64] : ~bitmap_[bit / 64];
    const uint64_t rest = word >> (bit % 64);
    if (rest) return std::min<uint64_t>(bit + std::countr_zero(rest), clusters_);
    bit = (bit / 64 + 1) * 64;
  }
  return clusters_;
}

uint32_t TXExfatVolume::NextFreeCluster(uint32_t cluster) const {
  if (!HasBitmap()) return 0;
  const uint64_t bit = NextBit(cluster < 2 ? 0 : uint64_t{cluster} - 1, false);
  return bit < clusters_ ? static_cast<uint32_t>(bit + 2) : 0;
}

int64_t TXExfatVolume::FreeClusters() const {
  if (!HasBitmap()) return 0;
  int64_t allocated = 0;
  for (uint64_t word : bitmap_)
    allocated += std::popcount(word);
  return int64_t{clusters_} - allocated;
}

void TXExfatVolume::AddAllocated(TXBlocks& blocks) const {
  if (!HasBitmap()) {
    blocks.Add(ClusterOffset(2), int64_t{clusters_} * ClusterBytes());
    return;
  }
  for (uint64_t bit = NextBit(0, true); bit < clusters_;) {
    const uint64_t end = NextBit(bit, false);
    blocks.Add(ClusterOffset(static_cast<uint32_t>(bit + 2)),
               static_cast<int64_t>(end - bit) * ClusterBytes());
    bit = NextBit(end, true);
  }
}

std::vector<uint32_t> TXExfatVolume::DataClusters(uint32_t first, uint64_t length, bool noFatChain,
                                                  TXClusterMarks& marks) {
  std::vector<uint32_t> clusters;
  const uint64_t count = ClustersFor(length);
  for (uint32_t c = first; clusters.size() < count;) {
    if (!IsDataCluster(c) || !marks.Mark(c)) break;
    clusters.push_back(c);
    c = noFatChain ? c + 1 : FatEntry(c);
  }
  return clusters;
}

bool TXExfatVolume::IsWholeChain(const std::vector<uint32_t>& clusters) {
  for (size_t i = 0; i < clusters.size(); ++i) {
    const uint32_t next = i + 1 < clusters.size() ? clusters[i + 1] : kEndOfChain;
    if (FatEntry(clusters[i]) != next) return false;
  }
  return !clusters.empty();
}

}  // namespace kova
