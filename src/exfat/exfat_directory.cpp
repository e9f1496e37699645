#include "exfat/exfat_directory.h"

#include <algorithm>
#include <cstdint>

#include "exfat/exfat_volume.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr int64_t kEntryBytes = 32;

// The entries of a directory by index across its clusters.
class TXEntryReader {
 public:
  TXEntryReader(TXExfatVolume& volume, const std::vector<uint32_t>& clusters)
      : volume_(volume),
        clusters_(clusters),
        perCluster_(static_cast<size_t>(volume.ClusterBytes() / kEntryBytes)) {}

  size_t Count() const { return clusters_.size() * perCluster_; }
  size_t ClusterIndexOf(size_t index) const { return index / perCluster_; }
  int64_t OffsetOf(size_t index) const {
    return volume_.ClusterOffset(clusters_[index / perCluster_]) +
           static_cast<int64_t>(index % perCluster_) * kEntryBytes;
  }
  TXExfatRawEntry At(size_t index) const {
    TXExfatRawEntry entry{};
    if (!SafeReadAt(volume_.Stream(), entry.data(), kEntryBytes, OffsetOf(index))) entry.fill(0);
    return entry;
  }
  // The set that starts at `index`, as far as the directory holds it.
  std::vector<TXExfatRawEntry> SetAt(size_t index, const TXExfatRawEntry& file) const {
    std::vector<TXExfatRawEntry> set{file};
    const size_t end = std::min(Count(), index + ExfatSetLength(file));
    for (size_t i = index + 1; i < end; ++i)
      set.push_back(At(i));
    return set;
  }

 private:
  TXExfatVolume& volume_;
  const std::vector<uint32_t>& clusters_;
  size_t perCluster_;
};

}  // namespace

TXExfatListing ListExfatDirectory(TXExfatVolume& volume, const std::vector<uint32_t>& clusters,
                                  const std::function<bool()>& stopped) {
  TXExfatListing listing;
  TXEntryReader reader(volume, clusters);
  size_t checked = SIZE_MAX;
  for (size_t i = 0; i < reader.Count();) {
    if (reader.ClusterIndexOf(i) != checked) {
      if (stopped()) break;
      checked = reader.ClusterIndexOf(i);
    }
    const TXExfatRawEntry entry = reader.At(i);
    if (entry[0] == kExfatEndOfDirectory) break;
    if (IsExfatFileEntry(entry)) {
      if (auto decoded = DecodeExfatSet(reader.SetAt(i, entry), volume.Boot())) {
        listing.Sets.push_back({std::move(*decoded), reader.OffsetOf(i)});
        i += ExfatSetLength(entry);
        continue;
      }
    } else if (entry[0] & kExfatInUse) {
      listing.Others.push_back(entry);
    }
    ++i;
  }
  return listing;
}

}  // namespace kova
