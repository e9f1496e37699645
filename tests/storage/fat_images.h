#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Real FAT images made with the system's own tools (dosfstools and mtools), for tests that need
// a volume exactly as a camera or a computer formats it.
namespace kova::test {

struct FatImageOptions {
  int64_t SizeKiB = 20480;
  int FatBits = 16;  // 12, 16 or 32
  std::string Label = "KOVA CARD";
  uint32_t Serial = 0x1234ABCD;
  int SectorsPerCluster = 4;
};

// True when mkfs.fat and mtools are installed.
bool HaveFatTools();

// Formats a new image file; false when the tools fail.
bool MakeFatImage(const std::filesystem::path& image, const FatImageOptions& options);
// Copies a file into the image's root folder.
bool AddFileToImage(const std::filesystem::path& image, const std::filesystem::path& file);
// The free bytes mtools reports for the image, -1 when it cannot tell.
int64_t FreeBytesByMtools(const std::filesystem::path& image);

}  // namespace kova::test

#define KOVA_FAT_TOOLS_OR_SKIP()     \
  if (!::kova::test::HaveFatTools()) \
  GTEST_SKIP() << "mkfs.fat and mtools are needed to make FAT images"
