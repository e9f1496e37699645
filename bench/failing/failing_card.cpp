// Builds the failing card of the benchmark: a FAT32 card of camera-size photos (1 GiB and 231
// photos, or 256 MiB and 58 with --small) and its bad ranges, 40 (10) ranges of 1 to 64 sectors:
// one in the first FAT copy, one in the photo folder's directory cluster, the rest in photos.
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

#include "card_builder.h"
#include "card_manifest.h"
#include "content.h"

namespace {

namespace fs = std::filesystem;
using namespace kova::mkcard;

constexpr uint64_t kSector = 512;

struct Size {
  uint64_t CardBytes;
  int Photos;
  int Ranges;
};

void Check(const Status& status, const char* what) {
  if (status.ok()) return;
  std::fprintf(stderr, "%s: %s\n", what, status.message().c_str());
  std::exit(1);
}

void BuildCard(const Size& size, const fs::path& image, const fs::path& manifest) {
  std::printf("building the card (%d photos) ...\n", size.Photos);
  std::fflush(stdout);
  CardBuilder card;
  VolumeOptions options;
  options.type = FatType::kFat32;
  options.card_bytes = size.CardBytes;
  options.sectors_per_cluster = 64;
  options.label = "KOVA FAIL";
  Check(card.Format(options), "format");
  Check(card.MakeFolder("DCIM"), "folder");
  Check(card.MakeFolder("DCIM/100KOVA"), "folder");
  for (int i = 0; i < size.Photos; ++i) {
    PhotoOptions photo;
    photo.width = i % 3 == 0 ? 4000 : 3000;  // 12 MP and 6 MP cameras
    photo.height = i % 3 == 0 ? 3000 : 2000;
    photo.quality = 95;
    photo.seed = 7000 + i;
    Content content;
    Check(MakePhoto(photo, &content), "photo");
    char name[64];
    std::snprintf(name, sizeof name, "DCIM/100KOVA/IMG_%04d.JPG", i + 1);
    Check(card.WriteFile(name, content), name);
  }
  Check(card.Save(image, manifest), "save");
}

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
  const Size size = small ? Size{256u << 20, 58, 10} : Size{1u << 30, 231, 40};
  const fs::path base = fs::path(argv[1]) / (small ? "failing-small" : "failing");
  const fs::path image = base.string() + ".img";
  const fs::path manifest = base.string() + ".manifest.jsonl";
  if (!fs::exists(image) || !fs::exists(manifest)) BuildCard(size, image, manifest);
  Manifest read;
  Check(ReadManifestFile(manifest, &read), "manifest");
  WriteBadRanges(size, read, base.string() + ".bad");
  std::printf("%s\n", base.c_str());
  return 0;
}
