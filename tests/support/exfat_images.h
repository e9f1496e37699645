#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Real exFAT volumes made by the system's own tools (exfatprogs), for tests that need a volume
// exactly as a formatter writes it.
namespace kova::test {

// True when mkfs.exfat and dump.exfat are installed.
bool HaveExfatTools();
// A new image file of `bytes` bytes holding one exFAT volume; `clusterSize` as mkfs.exfat takes
// it ("4K", "128K"). False when the tool fails.
bool MakeExfatImage(const std::filesystem::path& image, int64_t bytes,
                    const std::string& clusterSize, const std::string& label);
// What dump.exfat tells of the volume: the value of its line "Name: value", or "".
std::string DumpedExfatFact(const std::filesystem::path& image, const std::string& name);

}  // namespace kova::test

#define KOVA_EXFAT_TOOLS_OR_SKIP()     \
  if (!::kova::test::HaveExfatTools()) \
  GTEST_SKIP() << "mkfs.exfat and dump.exfat are needed to make exFAT images (exfatprogs)"
