#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "card_builder.h"
#include "support/test_paths.h"

// Helpers of the mkcard tests: running the FAT tools that serve as oracles, and reading back
// what landed in an image file.
namespace kova::mkcard::test {

struct ToolRun {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

// True when `tool` can be run (the system folders /usr/sbin and /sbin are searched too).
bool HaveTool(const std::string& tool);
// Runs a shell command line with the same search path.
ToolRun RunCommand(const std::string& command_line);
std::string Quote(const std::filesystem::path& path);

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path, uint64_t offset,
                                   uint64_t count);
// The bytes of a manifest record's extents, read from the saved image, in file order.
std::vector<uint8_t> ExtentBytes(const std::filesystem::path& image, const ManifestRecord& record);
uint32_t Crc32(const std::vector<uint8_t>& bytes);
// A little-endian number of `width` bytes at `at`.
uint64_t LE(const std::vector<uint8_t>& bytes, size_t at, int width);

// Formats `options` into `card`, failing the calling test on error.
void FormatOrFail(CardBuilder& card, const VolumeOptions& options);
VolumeOptions SmallFat16();  // 16 MiB, 2 KiB clusters
VolumeOptions SmallFat32();  // 34 MiB, 512-byte clusters
VolumeOptions SmallFat12();  // 1 MiB floppy-like volume

// Copies `count` bytes of `image` from `offset` into a file of their own (a volume, for tools
// that cannot open a partition inside an image).
std::filesystem::path CutOut(const std::filesystem::path& image, uint64_t offset, uint64_t count,
                             const std::filesystem::path& out);
// Runs fsck.fat -n on one volume of a saved card.
ToolRun CheckFatVolume(const std::filesystem::path& image, const ManifestVolume& volume,
                       const std::filesystem::path& scratch);

// The FAT entry of `cluster` read from the saved image (first FAT).
uint32_t FatEntryOnImage(const std::filesystem::path& image, const ManifestVolume& volume,
                         uint32_t cluster);

// Runs each recipe on a fresh card and expects it to fail with a message holding the text.
void ExpectRecipesRefused(const std::vector<std::pair<std::string, std::string>>& cases);

// A card built from a recipe and saved in a temporary folder.
class RecipeCardTest : public ::testing::Test {
 protected:
  void Build(const std::string& recipe);

  kova::test::TempDir dir_;
  std::filesystem::path image_ = dir_ / "card.img";
  CardBuilder card_;
  Manifest manifest_;
};

}  // namespace kova::mkcard::test

// Skips the calling test when a FAT tool used as an oracle is not installed.
#define SKIP_WITHOUT_TOOL(tool)              \
  if (!::kova::mkcard::test::HaveTool(tool)) \
  GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)"
