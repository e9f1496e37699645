#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fat/card_fixture.h"
#include "recovery/file_item.h"
#include "support/fat_images.h"
#include "support/test_files.h"

// Cards made the way users get them, with the system's own tools: sfdisk writes the partition
// table, mkfs.fat formats each partition, mtools writes (long names included) and deletes files.
// What a test expects comes from the files written, never from the scanner.
namespace kova::test {

struct ToolCardFile {
  int32_t volume = 1;
  std::string path;  // on the card, "/" separated, without the leading "::/"
  std::vector<uint8_t> bytes;
  bool deleted = false;

  std::string Name() const { return path.substr(path.rfind('/') + 1); }
  std::string Folder() const {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
  }
};

class ToolCard {
 public:
  explicit ToolCard(std::string name = "card.img") : image_(dir_ / name) {}

  // The image with the table of the script (sfdisk syntax), or without one when it is empty.
  bool Partition(int64_t bytes, const std::string& script) {
    if (!script.empty()) return MakePartitionedImage(image_, bytes, script);
    { std::ofstream(image_, std::ios::binary); }
    std::filesystem::resize_file(image_, static_cast<uintmax_t>(bytes));
    return true;
  }
  // Formats the volume `number` from `startSector` with `kib` KiB.
  bool Format(int32_t number, int64_t startSector, int64_t kib, int fatBits, int clusterSectors,
              const std::string& label) {
    FatImageOptions options;
    options.SizeKiB = kib;
    options.FatBits = fatBits;
    options.SectorsPerCluster = clusterSectors;
    options.Label = label;
    options.OffsetSectors = startSector;
    starts_.resize(std::max<size_t>(starts_.size(), static_cast<size_t>(number) + 1), 0);
    starts_[static_cast<size_t>(number)] = startSector * 512;
    return FormatFatVolume(image_, options);
  }
  bool Write(int32_t volume, const std::string& path, std::vector<uint8_t> bytes) {
    std::filesystem::path source = dir_ / ("source" + std::to_string(files_.size()));
    WriteFileBytes(source, bytes);
    bool written = CopyToVolume(image_, Start(volume), source, "::/" + path);
    if (written) files_.push_back({volume, path, std::move(bytes), false});
    return written;
  }
  // A deleted file stays expected; one that is only made to leave a hole is forgotten.
  bool Delete(int32_t volume, const std::string& path) {
    for (ToolCardFile& file : files_) {
      if (file.volume == volume && file.path == path) file.deleted = true;
    }
    std::erase_if(files_,
                  [&](const ToolCardFile& f) { return f.deleted && f.path.ends_with(".dat"); });
    return DeleteFromVolume(image_, Start(volume), "::/" + path);
  }
  // Copies the bytes of a volume into an image of their own, as if the partition were picked.
  std::filesystem::path ExtractVolume(int32_t volume, int64_t bytes) {
    std::vector<uint8_t> all = ReadFileBytes(image_);
    auto from = all.begin() + Start(volume);
    std::filesystem::path part = dir_ / ("volume" + std::to_string(volume) + ".img");
    WriteFileBytes(part, std::vector<uint8_t>(from, from + bytes));
    return part;
  }

  int64_t Start(int32_t volume) const { return starts_.at(static_cast<size_t>(volume)); }
  const std::filesystem::path& Image() const { return image_; }
  const std::vector<ToolCardFile>& Files() const { return files_; }

 private:
  TempDir dir_;
  std::filesystem::path image_;
  std::vector<int64_t> starts_;
  std::vector<ToolCardFile> files_;
};

// The bytes of a found file's extents in the image.
inline std::vector<uint8_t> FoundBytes(const std::filesystem::path& image,
                                       const TXDRFileItem& item) {
  std::vector<uint8_t> all = ReadFileBytes(image);
  std::vector<uint8_t> bytes;
  for (const TXBlock& block : item.Blocks()) {
    if (block.End() > static_cast<int64_t>(all.size())) return {};
    bytes.insert(bytes.end(), all.begin() + block.Start, all.begin() + block.End());
  }
  return bytes;
}

}  // namespace kova::test
