#include "fat/fat_table.h"

#include <algorithm>
#include <bit>

#include "framework/stream.h"

namespace kova {

namespace {

constexpr uint32_t kBad = 0x0FFFFFF7;
constexpr uint32_t kLast = 0x0FFFFFF8;
constexpr uint32_t kEnd = 0x0FFFFFFF;

// FAT16 values widened to the FAT32 meaning (free, bad, end of chain, link).
uint32_t Widen16(uint32_t v) {
  if (v == 0xFFF7) return kBad;
  if (v >= 0xFFF8) return kEnd;
  return v;
}

// The upper four bits of a FAT32 entry are reserved: 0x10000005 links to cluster 5.
uint32_t Mask32(uint32_t v) {
  return v & 0x0FFFFFFF;
}

int64_t EntryWidth(TXFatType type) {
  return type == TXFatType::ftFat32 ? 4 : 2;
}

}  // namespace

void TXFAT::Reset() {
  TXFileSystem::Reset();
  boot_.Clear();
  links_.clear();
  free_.clear();
  folders_.clear();
}

bool TXFAT::TableFits() const {
  TXFatType type = FatType();
  if (type != TXFatType::ftFat16 && type != TXFatType::ftFat32) return false;
  if (boot_.BytesPerSector() == 0) return false;
  int64_t count = boot_.ClusterCount();
  return count <= kMaxEntries && count * EntryWidth(type) <= boot_.FatBytes();
}

bool TXFAT::Load(TXStream& stream, const TXDiskInfoRecord& diskInfo) {
  TXFileSystem::Load(stream, diskInfo);
  SetFatType(boot_.Type());
  links_.clear();
  free_.clear();
  folders_.clear();
  if (!TableFits()) return false;
  ReadTable(stream, boot_.ClusterCount());
  return true;
}

void TXFAT::ReadTable(TXStream& stream, int64_t count) {
  int64_t width = EntryWidth(FatType());
  int64_t held = std::max<int64_t>(0, (stream.Size() - boot_.FatOffset(0)) / width);
  std::vector<uint8_t> raw(static_cast<size_t>(std::min(count, held) * width), 0);
  if (!raw.empty()) {
    stream.Seek(boot_.FatOffset(0), TXSeekOrigin::soBeginning);
    stream.Read(raw.data(), static_cast<int64_t>(raw.size()));
  }
  links_.assign(static_cast<size_t>(count), 0);
  for (size_t n = 0; n < raw.size() / static_cast<size_t>(width); ++n) {
    const uint8_t* p = raw.data() + n * width;
    uint32_t v = p[0] | (p[1] << 8);
    links_[n] =
        width == 4 ? Mask32(v | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24)) : Widen16(v);
  }
  free_.assign((links_.size() + 63) / 64, 0);
  folders_.assign(free_.size(), 0);
  for (uint32_t n = 2; n < links_.size(); ++n) {
    if (links_[n] == 0) free_[n / 64] |= uint64_t{1} << (n % 64);
  }
}

TXClusterState TXFAT::ClusterState(uint32_t n) const {
  if (n >= links_.size()) return clAvailable;
  if (n < 2) return clStart;
  uint32_t v = links_[n];
  if (v == 0) return Test(folders_, n) ? clAvailableFolder : clAvailable;
  if (v == kBad) return clBad;
  if (v >= kLast && v <= kEnd) return clLast;
  return clNext;
}

uint32_t TXFAT::NextCluster(uint32_t n) const {
  return ClusterState(n) == clNext ? links_[n] : 0;
}

void TXFAT::SetAvailableFolder(uint32_t n) {
  if (ClusterState(n) != clAvailable || n >= links_.size()) return;
  free_[n / 64] &= ~(uint64_t{1} << (n % 64));
  folders_[n / 64] |= uint64_t{1} << (n % 64);
}

uint32_t TXFAT::NextAvailableCluster(uint32_t n) const {
  uint64_t from = uint64_t{n} + 1;
  if (from >= links_.size()) return 0;
  size_t word = from / 64;
  uint64_t bits = free_[word] & (~uint64_t{0} << (from % 64));
  while (bits == 0) {
    if (++word >= free_.size()) return 0;
    bits = free_[word];
  }
  return static_cast<uint32_t>(word * 64 + std::countr_zero(bits));
}

}  // namespace kova
