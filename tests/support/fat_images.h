#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Real FAT images made with the system's own tools (dosfstools, mtools, sfdisk), for tests that
// need a volume or a partitioned card exactly as a camera or a computer formats it.
namespace kova::test {

struct FatImageOptions {
  int64_t SizeKiB = 20480;
  int FatBits = 16;  // 12, 16 or 32
  std::string Label = "KOVA CARD";
  uint32_t Serial = 0x1234ABCD;
  int SectorsPerCluster = 4;
  int64_t OffsetSectors = 0;  // where the volume starts in the image (512-byte sectors)
};

// True when mkfs.fat and mtools are installed.
bool HaveFatTools();

// Formats a new image file; false when the tools fail.
bool MakeFatImage(const std::filesystem::path& image, const FatImageOptions& options);
// Formats a volume inside an existing image at options.OffsetSectors; false when the tools fail.
bool FormatFatVolume(const std::filesystem::path& image, const FatImageOptions& options);
// Copies a file into the image's root folder.
bool AddFileToImage(const std::filesystem::path& image, const std::filesystem::path& file);
// Copies a file to `target` (a path such as "::/DCIM/Holiday photo.jpg") of the volume at
// `offset` bytes; folders on the way are made first. False when mtools fails.
bool CopyToVolume(const std::filesystem::path& image, int64_t offset,
                  const std::filesystem::path& file, const std::string& target);
// Deletes `target` from the volume at `offset` bytes.
bool DeleteFromVolume(const std::filesystem::path& image, int64_t offset,
                      const std::string& target);

// True when sfdisk is installed.
bool HavePartitionTool();
// Creates an image of `bytes` bytes (zeros) and writes the partition table that the sfdisk
// script describes ("label: dos" or "label: gpt", then one line per partition).
bool MakePartitionedImage(const std::filesystem::path& image, int64_t bytes,
                          const std::string& script);
// A tool's standard output, empty when it cannot be run.
std::string ToolOutput(const std::string& command);
// The free bytes mtools reports for the image, -1 when it cannot tell.
int64_t FreeBytesByMtools(const std::filesystem::path& image, int64_t offset = 0);
// The free clusters fsck.fat counts in the allocation table of the volume image ("N files,
// used/total clusters"), -1 when it cannot tell. fsck.fat is run without mending anything.
int64_t FreeClustersByFsck(const std::filesystem::path& image);

}  // namespace kova::test

#define KOVA_PARTITION_TOOLS_OR_SKIP()                                     \
  if (!::kova::test::HaveFatTools() || !::kova::test::HavePartitionTool()) \
  GTEST_SKIP() << "mkfs.fat, mtools and sfdisk are needed to make partitioned cards"

#define KOVA_FAT_TOOLS_OR_SKIP()     \
  if (!::kova::test::HaveFatTools()) \
  GTEST_SKIP() << "mkfs.fat and mtools are needed to make FAT images"
