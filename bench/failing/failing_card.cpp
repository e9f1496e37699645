// Builds the failing card of the benchmark: the camera card of the speed benchmarks
// (bench/camera_card.h; 1 GiB, or 256 MiB with --small) and its bad ranges, 40 (10) ranges of 1
// to 64 sectors: one in the first FAT copy, one in the photo folder's directory cluster, the rest
// in photos.
// Writes DATA/failing[-small].img, its manifest (.manifest.jsonl) and bad ranges (.bad, one
// "FIRST_SECTOR COUNT" a line, as slowcard.py reads them). A card already built is kept.
// Usage: bench_failing DATA_FOLDER [--small]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "camera_card.h"
#include "card_manifest.h"

namespace {

namespace fs = std::filesystem;
using namespace kova::mkcard;

constexpr uint64_t kSector = 512;

struct Size {
  uint64_t CardBytes;
  int Ranges;
};

// A range of `count` sectors at a sector drawn from [first, first + sectors - count).
std::pair<uint64_t, uint64_t> RangeIn(uint64_t offset, uint64_t bytes, std::mt19937& random) {
  const uint64_t count = std::uniform_int_distribution<uint64_t>(1, 64)(random);
  const uint64_t first = (offset + kSector - 1) / kSector;
  const uint64_t last = (offset + bytes) / kSector;
  const uint64_t room = last > first + count ? last - first - count : 1;
  return {first + std::uniform_int_distribution<uint64_t>(0, room - 1)(random), count};
}

void WriteBadRanges(const Size& size, const Manifest& manifest, const fs::path& path) {
  std::mt19937 random(26);
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  const ManifestVolume& volume = manifest.volumes.front();
  ranges.push_back(RangeIn(volume.fat_offset, 64 * kSector, random));
  const ManifestRecord* folder = manifest.Find("DCIM/100KOVA");
  ranges.push_back({folder->extents.front().offset / kSector + 3, 1});
  std::vector<const ManifestRecord*> photos;
  for (const ManifestRecord& record : manifest.records)
    if (!record.folder && record.content == "jpg") photos.push_back(&record);
  // Most photos touched once, some twice, spread over the card.
  const int touched = (size.Ranges - 2) * 31 / 38;
  for (int i = 0; static_cast<int>(ranges.size()) < size.Ranges; ++i) {
    const ManifestRecord* photo = photos[(i % touched) * photos.size() / touched];
    const Extent& extent = photo->extents.front();
    ranges.push_back(RangeIn(extent.offset, extent.size, random));
  }
  std::ofstream out(path);
  for (const auto& [first, count] : ranges)
    out << first << " " << count << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_failing DATA_FOLDER [--small]\n");
    return 2;
  }
  const bool small = argc > 2 && std::strcmp(argv[2], "--small") == 0;
  const Size size = small ? Size{256u << 20, 10} : Size{1u << 30, 40};
  const fs::path base = fs::path(argv[1]) / (small ? "failing-small" : "failing");
  const fs::path image = base.string() + ".img";
  const fs::path manifest = base.string() + ".manifest.jsonl";
  if (!fs::exists(image) || !fs::exists(manifest))
    kova::bench::BuildCameraCard(image, manifest, size.CardBytes);
  Manifest read;
  kova::bench::CheckCard(ReadManifestFile(manifest, &read), "manifest");
  WriteBadRanges(size, read, base.string() + ".bad");
  std::printf("%s\n", base.c_str());
  return 0;
}
