// An exFAT card of many small camera photos in camera folders of a thousand each (DCIM/100KOVA,
// DCIM/101KOVA, ...), every tenth one deleted, for the memory benchmark. The photos are a few
// dozen different pictures with Exif thumbnails, written again and again, so that a card of a
// hundred thousand takes seconds to build. Leaves a card that exists with that many photos alone.
// Usage: bench_memory_card IMAGE PHOTOS
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "card_builder.h"
#include "content.h"
#include "exfat_volume_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace kova::mkcard;

constexpr int kPictures = 48;
constexpr int kPerFolder = 1000;
// Every photo takes at most this much of the card, clusters included.
constexpr uint64_t kRoomPerPhoto = 40 << 10;

void Check(const Status& status, const std::string& what) {
  if (status.ok()) return;
  std::fprintf(stderr, "%s: %s\n", what.c_str(), status.message().c_str());
  std::exit(1);
}

std::vector<Content> Pictures() {
  std::vector<Content> pictures(kPictures);
  for (int i = 0; i < kPictures; ++i) {
    const bool portrait = i % 4 == 3;
    PhotoOptions photo;
    photo.width = portrait ? 240 : 320;
    photo.height = portrait ? 320 : 240;
    photo.quality = 85;
    photo.seed = 7000 + static_cast<uint64_t>(i);
    Check(MakePhoto(photo, &pictures[static_cast<size_t>(i)]), "photo");
  }
  return pictures;
}

std::string FolderName(int folder) {
  return "DCIM/" + std::to_string(100 + folder) + "KOVA";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_memory_card IMAGE PHOTOS\n");
    return 2;
  }
  const fs::path image = argv[1];
  const int photos = std::stoi(argv[2]);
  const fs::path stamp = image.string() + ".photos";
  int built = 0;
  if (fs::exists(image) && (std::ifstream(stamp) >> built) && built == photos) return 0;

  std::printf("building a card of %d photos ...\n", photos);
  std::fflush(stdout);
  const std::vector<Content> pictures = Pictures();
  CardBuilder card;
  ExfatOptions options;
  options.card_bytes =
      (static_cast<uint64_t>(photos) * kRoomPerPhoto + (64 << 20)) & ~uint64_t{(4 << 20) - 1};
  options.partition_lba = 8192;
  options.cluster_bytes = 32 << 10;
  options.label = "KOVA BENCH";
  ExfatVolumeWriter* volume = nullptr;
  Check(FormatExfat(&card, options, &volume), "format");
  Check(card.MakeFolder("DCIM"), "folder");
  for (int i = 0; i < photos; ++i) {
    if (i % kPerFolder == 0) Check(card.MakeFolder(FolderName(i / kPerFolder)), "folder");
    char name[32];
    std::snprintf(name, sizeof name, "/KOVA%04d.JPG", i % 10000);
    const std::string path = FolderName(i / kPerFolder) + name;
    Check(card.WriteFile(path, pictures[static_cast<size_t>(i % kPictures)]), path);
    if (i % 10 == 9) Check(card.Delete(path), "delete");
  }
  Check(card.Save(image), "save");
  std::ofstream(stamp) << photos;
  return 0;
}
