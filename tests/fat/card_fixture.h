#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "card_builder.h"
#include "card_manifest.h"
#include "content.h"
#include "support/card_status.h"
#include "support/test_paths.h"

// Card images built by mkcard in a temporary folder for the recovery tests. What a test expects
// comes from the manifest of what was written, never from what the scanner reports.
namespace kova::test {

inline mkcard::VolumeOptions Fat16Options(uint64_t bytes = 32 << 20, uint32_t clusterSectors = 8) {
  mkcard::VolumeOptions options;
  options.type = mkcard::FatType::kFat16;
  options.card_bytes = bytes;
  options.sectors_per_cluster = clusterSectors;
  options.label = "KOVA TEST";
  return options;
}

inline mkcard::VolumeOptions Fat32Options(uint64_t bytes = 40 << 20, uint32_t clusterSectors = 1) {
  mkcard::VolumeOptions options = Fat16Options(bytes, clusterSectors);
  options.type = mkcard::FatType::kFat32;
  return options;
}

inline mkcard::Content Photo(int width, int height, uint64_t seed = 1, bool exif = false) {
  mkcard::PhotoOptions options;
  options.width = width;
  options.height = height;
  options.seed = seed;
  options.exif_thumbnail = exif;
  mkcard::Content content;
  EXPECT_TRUE(mkcard::MakePhoto(options, &content).ok());
  return content;
}

inline mkcard::Placement Clusters(std::vector<uint32_t> clusters) {
  mkcard::Placement placement;
  placement.clusters = std::move(clusters);
  return placement;
}

// A card being built: format with the options, write through Builder(), then Save().
class FixtureCard {
 public:
  explicit FixtureCard(const mkcard::VolumeOptions& options, std::string name = "card.img")
      : image_(dir_ / name) {
    formatted_ = builder_.Format(options);
  }

  const mkcard::Status& Formatted() const { return formatted_; }
  mkcard::CardBuilder& Builder() { return builder_; }

  mkcard::Status Save() {
    mkcard::Status saved = builder_.Save(image_);
    if (saved.ok()) manifest_ = builder_.MakeManifest();
    return saved;
  }

  const std::filesystem::path& Image() const { return image_; }
  const TempDir& Dir() const { return dir_; }
  const mkcard::Manifest& Manifest() const { return manifest_; }
  const mkcard::ManifestRecord& Record(std::string_view path) const {
    const mkcard::ManifestRecord* record = manifest_.Find(path);
    EXPECT_NE(record, nullptr) << path;
    static const mkcard::ManifestRecord kNone;
    return record ? *record : kNone;
  }
  uint64_t ClusterOffset(uint32_t cluster) const {
    return builder_.Layout().ClusterOffset(cluster);
  }
  uint32_t ClusterBytes() const { return builder_.Layout().ClusterBytes(); }

 private:
  TempDir dir_;
  std::filesystem::path image_;
  mkcard::CardBuilder builder_;
  mkcard::Status formatted_;
  mkcard::Manifest manifest_;
};

}  // namespace kova::test
