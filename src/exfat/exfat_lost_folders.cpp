#include "exfat/exfat_lost_folders.h"

#include <algorithm>
#include <map>
#include <set>

#include "exfat/exfat_volume.h"
#include "recovery/lost_folder_name.h"
#include "storage/safe_read.h"

namespace kova {

namespace {

constexpr int64_t kEntryBytes = 32;
// What the whole search reads at most (128 MiB of entries), and what one directory may hold (a
// camera's folder of 9999 photos takes about 1 MiB).
constexpr int64_t kMostEntries = int64_t{1} << 22;
constexpr int64_t kMostFolderBytes = int64_t{16} << 20;
constexpr size_t kNone = SIZE_MAX;
// The entries of a set begun in another cluster that may stand before a cluster's first set:
// a Stream Extension entry and 17 File Name entries.
constexpr size_t kMostLead = 18;
constexpr uint8_t kSecondaryCategory = 0x40;

// File, Stream Extension and File Name entries, in use or deleted: what a directory's clusters
// start with.
bool IsSetEntry(uint8_t type) {
  const uint8_t kind = type & ~kExfatInUse;
  return kind == (kExfatFileEntry & ~kExfatInUse) || kind == (kExfatStreamEntry & ~kExfatInUse) ||
         kind == (kExfatNameEntry & ~kExfatInUse);
}

}  // namespace

TXExfatLostFolderSearch::TXExfatLostFolderSearch(TXExfatVolume& volume, TXClusterMarks& read)
    : volume_(volume), read_(read), entriesLeft_(kMostEntries) {}

bool TXExfatLostFolderSearch::EntryAt(uint32_t cluster, size_t index, TXExfatRawEntry& entry) {
  const int64_t at = volume_.ClusterOffset(cluster) + static_cast<int64_t>(index) * kEntryBytes;
  return SafeReadAt(volume_.Stream(), entry.data(), kEntryBytes, at);
}

bool TXExfatLostFolderSearch::Continues(uint32_t cluster) {
  TXExfatRawEntry last{};
  const auto perCluster = static_cast<size_t>(volume_.ClusterBytes() / kEntryBytes);
  return EntryAt(cluster, perCluster - 1, last) && last[0] != kExfatEndOfDirectory;
}

int TXExfatLostFolderSearch::SoundSetAt(uint32_t cluster) {
  const auto perCluster = static_cast<size_t>(volume_.ClusterBytes() / kEntryBytes);
  for (size_t at = 0; at < std::min(kMostLead + 1, perCluster); ++at) {
    TXExfatRawEntry first{};
    if (!EntryAt(cluster, at, first)) return -1;
    if (!IsExfatFileEntry(first)) {
      if (!(first[0] & kSecondaryCategory)) return -1;
      continue;
    }
    const size_t length = ExfatSetLength(first);
    if (at + length > perCluster) return -1;
    std::vector<TXExfatRawEntry> set(length);
    set[0] = first;
    for (size_t i = 1; i < length; ++i)
      if (!EntryAt(cluster, at + i, set[i])) return -1;
    const auto decoded = DecodeExfatSet(set, volume_.Boot());
    return decoded && !decoded->ChecksumBad ? static_cast<int>(at) : -1;
  }
  return -1;
}

std::vector<uint32_t> TXExfatLostFolderSearch::RunFrom(uint32_t first) {
  const auto most =
      static_cast<size_t>(std::max<int64_t>(1, kMostFolderBytes / volume_.ClusterBytes()));
  std::vector<uint32_t> clusters = {first};
  while (clusters.size() < most && Continues(clusters.back())) {
    const uint32_t next = clusters.back() + 1;
    TXExfatRawEntry head{};
    if (!volume_.IsDataCluster(next) || volume_.IsAllocated(next) || read_.IsMarked(next)) break;
    if (!EntryAt(next, 0, head) || !IsSetEntry(head[0])) break;
    clusters.push_back(next);
  }
  return clusters;
}

std::vector<TXExfatLostFolderSearch::TXRun> TXExfatLostFolderSearch::FindRuns(
    const TXStopped& stopped, const TXPercent& percent) {
  std::vector<TXRun> runs;
  const int64_t perCluster = volume_.ClusterBytes() / kEntryBytes;
  uint8_t shown = 0;
  for (uint32_t c = volume_.NextFreeCluster(1); c != 0 && entriesLeft_ > 0;
       c = volume_.NextFreeCluster(c)) {
    const auto done =
        static_cast<uint8_t>(uint64_t{c} * 100 / (uint64_t{volume_.ClusterLimit()} + 2));
    if (done != shown) percent(shown = done);
    if (stopped()) return {};
    if (read_.IsMarked(c)) continue;
    const int lead = SoundSetAt(c);
    if (lead < 0) continue;
    TXRun& run = runs.emplace_back();
    run.Clusters = RunFrom(c);
    run.StartsInsideSet = lead > 0;
    for (uint32_t cluster : run.Clusters)
      read_.Mark(cluster);
    entriesLeft_ -= 2 * static_cast<int64_t>(run.Clusters.size()) * perCluster;
  }
  return runs;
}

std::vector<TXExfatLostFolder> TXExfatLostFolderSearch::Find(const TXStopped& stopped,
                                                             const TXPercent& percent) {
  std::vector<TXExfatLostFolder> folders;
  if (!volume_.HasBitmap()) return folders;
  std::vector<TXRun> runs = FindRuns(stopped, percent);
  std::set<uint32_t> named;  // first clusters of folders a found set names
  for (const TXRun& run : runs) {
    for (const TXExfatListedSet& set : ListExfatDirectory(volume_, run.Clusters, stopped).Sets)
      if (set.Entry.IsFolder() && !set.Entry.ChecksumBad) named.insert(set.Entry.FirstCluster);
  }
  // A run continues the directory found before it when that one goes on past its last cluster
  // and the run starts inside a set or is no folder a set names: a folder that grew after the
  // files written into it. Joined, the set across the two is read whole.
  for (TXRun& run : runs) {
    const bool continues = !folders.empty() && Continues(folders.back().Clusters.back()) &&
                           (run.StartsInsideSet || !named.count(run.Clusters.front()));
    if (continues) {
      std::vector<uint32_t>& clusters = folders.back().Clusters;
      clusters.insert(clusters.end(), run.Clusters.begin(), run.Clusters.end());
      continue;
    }
    TXExfatLostFolder& folder = folders.emplace_back();
    folder.FirstCluster = run.Clusters.front();
    folder.Clusters = std::move(run.Clusters);
  }
  for (TXExfatLostFolder& folder : folders) {
    for (TXExfatListedSet& set : ListExfatDirectory(volume_, folder.Clusters, stopped).Sets)
      if (!set.Entry.ChecksumBad) folder.Sets.push_back(std::move(set));
  }
  Name(folders);
  return folders;
}

void TXExfatLostFolderSearch::Name(std::vector<TXExfatLostFolder>& folders) const {
  std::map<uint32_t, size_t> byCluster;
  for (size_t i = 0; i < folders.size(); ++i)
    byCluster[folders[i].FirstCluster] = i;
  // The folder whose set points at each one, and that set's name.
  std::vector<std::pair<size_t, std::string>> parents(folders.size(), {kNone, {}});
  for (size_t i = 0; i < folders.size(); ++i) {
    for (const TXExfatListedSet& set : folders[i].Sets) {
      auto child = byCluster.find(set.Entry.FirstCluster);
      if (!set.Entry.IsFolder() || child == byCluster.end() || child->second == i ||
          parents[child->second].first != kNone)
        continue;
      parents[child->second] = {i, set.Entry.Name};
    }
  }
  for (size_t i = 0; i < folders.size(); ++i) {
    // Up to the topmost folder found; a ring of folders pointing at each other is cut at this one.
    std::string path;
    size_t at = i;
    for (size_t steps = 0; parents[at].first != kNone && steps < folders.size(); ++steps) {
      path = path.empty() ? parents[at].second : parents[at].second + "/" + path;
      at = parents[at].first;
      if (at == i) break;
    }
    const std::string top = LostFolderName(folders[at].FirstCluster);
    folders[i].Path = path.empty() || at == i ? top : top + "/" + path;
  }
}

}  // namespace kova
