#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "card_builder.h"
#include "exfat/exfat_recovery.h"
#include "exfat_volume_writer.h"
#include "fat/card_fixture.h"
#include "framework/worker.h"
#include "recovery/found_file_sink.h"
#include "storage/disk_io.h"
#include "storage/sub_stream.h"
#include "support/offered_files.h"
#include "support/test_files.h"
#include "support/test_paths.h"

// exFAT cards built by mkcard for the reader's tests, and the reader run on the test's thread.
// What a test expects comes from the manifest of what was written.
namespace kova::test {

inline mkcard::ExfatOptions ExfatOptions(uint32_t clusterBytes = 4096,
                                         uint64_t cardBytes = 32 << 20) {
  mkcard::ExfatOptions options;
  options.card_bytes = cardBytes;
  options.cluster_bytes = clusterBytes;
  options.label = "KOVA EXFAT";
  options.serial = 0x1234ABCD;
  return options;
}

inline mkcard::ExfatPlacement ExfatClusters(std::vector<uint32_t> clusters, bool fatChain = false) {
  mkcard::ExfatPlacement placement;
  placement.clusters = std::move(clusters);
  placement.fat_chain = fatChain;
  return placement;
}

// A card with one exFAT volume: write through Volume(), then Save().
class ExfatCard {
 public:
  explicit ExfatCard(const mkcard::ExfatOptions& options = ExfatOptions())
      : image_(dir_ / "card.img") {
    formatted_ = mkcard::FormatExfat(&card_, options, &volume_);
  }

  const mkcard::Status& Formatted() const { return formatted_; }
  mkcard::CardBuilder& Card() { return card_; }
  mkcard::ExfatVolumeWriter& Volume() { return *volume_; }
  mkcard::Status Save() {
    mkcard::Status saved = card_.Save(image_);
    if (saved.ok()) manifest_ = card_.MakeManifest();
    return saved;
  }
  const std::filesystem::path& Image() const { return image_; }
  const mkcard::Manifest& Manifest() const { return manifest_; }
  const mkcard::ManifestRecord& Record(std::string_view path) const {
    const mkcard::ManifestRecord* record = manifest_.Find(path);
    EXPECT_NE(record, nullptr) << path;
    static const mkcard::ManifestRecord kNone;
    return record ? *record : kNone;
  }
  int64_t ClusterOffset(uint32_t cluster) const {
    return static_cast<int64_t>(volume_->Layout().ClusterOffset(cluster));
  }
  int64_t ClusterBytes() const { return volume_->Layout().ClusterBytes(); }
  uint32_t RootCluster() const { return volume_->Layout().root_cluster; }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  std::filesystem::path image_;
  mkcard::CardBuilder card_;
  mkcard::ExfatVolumeWriter* volume_ = nullptr;
  mkcard::Status formatted_;
  mkcard::Manifest manifest_;
};

// The bytes a found file's extents hold on the image.
inline std::vector<uint8_t> BytesAt(const std::vector<uint8_t>& image, const TXBlocks& blocks) {
  std::vector<uint8_t> out;
  for (const TXBlock& b : blocks) {
    if (b.Start < 0 || b.Start + b.Size > static_cast<int64_t>(image.size())) return {};
    out.insert(out.end(), image.begin() + b.Start, image.begin() + b.Start + b.Size);
  }
  return out;
}

// The exFAT recovery of the volume that starts at `start` of an image (the whole image from
// there on), as volume `number`.
struct ExfatRun {
  explicit ExfatRun(const std::filesystem::path& image, int64_t start = 0, int32_t number = 1) {
    if (!io.Open(image.string())) return;
    TXStream* medium = io.Stream();
    window = std::make_unique<TXSubStream>(medium, start, medium->Size() - start, false);
    place.Number = number;
    place.Start = start;
    place.Stream = window.get();
    opened = recovery.Open(place);
  }
  void FromDirectories() { recovery.RecoverFromDirectories(*worker, sink); }
  void LostFolders() { recovery.RecoverLostFolders(*worker, sink); }
  void Everything() {
    FromDirectories();
    LostFolders();
  }
  TXBlocks Used() const {
    TXBlocks used;
    recovery.AddUsedExtents(used);
    return used;
  }

  TXFileDiskIO io;
  std::unique_ptr<TXSubStream> window;
  TXDRVolumePlace place;
  TXDRExfatRecovery recovery;
  TXRef<IXWorker> worker = MakeRef<TXWorker>();
  TXDRImmediateSink sink{*worker};
  OfferedFiles offered{*worker};
  bool opened = false;
};

}  // namespace kova::test
