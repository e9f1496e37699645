#include "fat/fat_table.h"

#include <bit>

#include "framework/stream.h"
#include "ondisk/fat_entry.h"

namespace kova {

void TXFAT::Reset() {
  stream_ = nullptr;
  type_ = TXFatType::ftUnknown;
  boot_.Clear();
  links_.Clear();
  free_.clear();
  folders_.clear();
}

bool TXFAT::Load(TXStream& stream) {
  stream_ = &stream;
  type_ = boot_.Type();
  links_.Clear();
  free_.clear();
  folders_.clear();
  if (!links_.Read(CheckedStreamReader(stream), boot_, stream.Size())) return false;
  MapFreeClusters();
  return true;
}

void TXFAT::MapFreeClusters() {
  free_.assign(static_cast<size_t>(ClusterCount() + 63) / 64, 0);
  folders_.assign(free_.size(), 0);
  for (uint32_t n = 2; n < ClusterCount(); ++n) {
    if (links_[n] == kFatFree) free_[n / 64] |= uint64_t{1} << (n % 64);
  }
}

TXClusterState TXFAT::ClusterState(uint32_t n) const {
  if (n >= ClusterCount()) return clAvailable;
  if (n < 2) return clStart;
  uint32_t v = links_[n];
  if (v == kFatFree) return Test(folders_, n) ? clAvailableFolder : clAvailable;
  if (v == kFatBad) return clBad;
  if (v >= kFatLast && v <= kFatEnd) return clLast;
  return clNext;
}

uint32_t TXFAT::NextCluster(uint32_t n) const {
  return ClusterState(n) == clNext ? links_[n] : 0;
}

void TXFAT::SetAvailableFolder(uint32_t n) {
  if (ClusterState(n) != clAvailable || n >= ClusterCount()) return;
  free_[n / 64] &= ~(uint64_t{1} << (n % 64));
  folders_[n / 64] |= uint64_t{1} << (n % 64);
}

uint32_t TXFAT::NextAvailableCluster(uint32_t n) const {
  uint64_t from = uint64_t{n} + 1;
  if (from >= static_cast<uint64_t>(ClusterCount())) return 0;
  size_t word = from / 64;
  uint64_t bits = free_[word] & (~uint64_t{0} << (from % 64));
  while (bits == 0) {
    if (++word >= free_.size()) return 0;
    bits = free_[word];
  }
  return static_cast<uint32_t>(word * 64 + std::countr_zero(bits));
}

}  // namespace kova
