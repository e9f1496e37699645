#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Real exFAT volumes made by the system's own tools (exfatprogs), for tests that need a volume
// exactly as a formatter writes it.
namespace kova::test {

// True when mkfs.exfat and dump.exfat are installed.
bool HaveExfatTools();
// A new image file of `bytes` bytes holding one exFAT volume; `clusterSize` as mkfs.exfat takes
// it ("4K", "128K"). False when the tool fails.
bool MakeExfatImage(const std::filesystem::path& image, int64_t bytes,
                    const std::string& clusterSize, const std::string& label);
// Formats the volume of the image again as a camera's quick format does: mkfs.exfat writes a new
// boot region, FAT, bitmap and root and leaves the rest of the heap as it was.
bool QuickFormatExfatImage(const std::filesystem::path& image, const std::string& clusterSize,
                           const std::string& label);

// True when files can be written into an exFAT image through the kernel: root, a loop device and
// the FUSE driver of exfat-fuse.
bool CanMountExfat();
// Copies each (path on the volume, bytes) into the image's volume, making the folders, through
// a loop device and exfat-fuse; everything is unmounted and detached again. False on a failure.
bool CopyIntoExfatImage(const std::filesystem::path& image,
                        const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files);

// What dump.exfat tells of the volume: the value of its line "Name: value", or "".
std::string DumpedExfatFact(const std::filesystem::path& image, const std::string& name);

}  // namespace kova::test

#define KOVA_EXFAT_TOOLS_OR_SKIP()     \
  if (!::kova::test::HaveExfatTools()) \
  GTEST_SKIP() << "mkfs.exfat and dump.exfat are needed to make exFAT images (exfatprogs)"
