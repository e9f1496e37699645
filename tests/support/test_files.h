#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kova::test {

// Bytes that differ from position to position (a fixed pseudo-random sequence per seed).
std::vector<uint8_t> NoiseBytes(size_t count, uint32_t seed = 1);

// Writes the bytes as the whole content of the file.
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);

// The file's modification time in this machine's local time, "YYYY-MM-DD HH:MM:SS" ("missing"
// when the file cannot be examined).
std::string LocalModifiedTime(const std::filesystem::path& path);

}  // namespace kova::test
