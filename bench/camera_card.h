// The card the speed benchmarks read: FAT32, DCIM/100KOVA full of photos as today's cameras
// write them (12 to 24 MP, fine detail, an EXIF block with a 160-pixel thumbnail, 4 to 10 MB),
// in camera order, every fifth one deleted, until the card is nearly full.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "card_builder.h"
#include "content.h"

namespace kova::bench {

struct CameraPhotoSize {
  int Width;
  int Height;
};

// 12, 16, 20 and 24 megapixels.
inline constexpr CameraPhotoSize kCameraSizes[] = {
    {4000, 3000}, {4608, 3456}, {5472, 3648}, {6000, 4000}};

inline void CheckCard(const mkcard::Status& status, const char* what) {
  if (status.ok()) return;
  std::fprintf(stderr, "%s: %s\n", what, status.message().c_str());
  std::exit(1);
}

// Builds the card of `cardBytes` and its manifest; answers the number of photos written.
inline int BuildCameraCard(const std::filesystem::path& image,
                           const std::filesystem::path& manifest, uint64_t cardBytes) {
  using namespace kova::mkcard;
  std::printf("building a %.2f GiB card of camera photos ...\n", cardBytes / double(1 << 30));
  std::fflush(stdout);
  CardBuilder card;
  VolumeOptions options;
  options.type = FatType::kFat32;
  options.card_bytes = cardBytes;
  // As large clusters as FAT32 allows on the card (at least 65525 of them), as cameras format.
  options.sectors_per_cluster = cardBytes >= (uint64_t{1} << 30) ? 16 : 4;
  options.label = "KOVA BENCH";
  CheckCard(card.Format(options), "format");
  CheckCard(card.MakeFolder("DCIM"), "folder");
  CheckCard(card.MakeFolder("DCIM/100KOVA"), "folder");
  // Room for the largest photo is kept free, so that the last one always fits.
  const uint64_t room = cardBytes - cardBytes / 100 - (uint64_t{12} << 20);
  uint64_t written = 0;
  int count = 0;
  while (written < room) {
    const CameraPhotoSize size = kCameraSizes[count % 4];
    PhotoOptions photo;
    photo.width = size.Width;
    photo.height = size.Height;
    // 4.4 to 8.9 MB (6.6 on average), as cameras write them at their finest quality.
    photo.quality = 95;
    photo.grain = 8;
    photo.seed = 1000 + count;
    Content content;
    CheckCard(MakePhoto(photo, &content), "photo");
    char name[64];
    std::snprintf(name, sizeof name, "DCIM/100KOVA/KOVA%04d.JPG", count + 1);
    CheckCard(card.WriteFile(name, content), name);
    if (count % 5 == 4) CheckCard(card.Delete(name), "delete");
    written += content.bytes.size();
    ++count;
  }
  CheckCard(card.Save(image, manifest), "save");
  return count;
}

}  // namespace kova::bench
