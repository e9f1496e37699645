#pragma once

#include <filesystem>

namespace kova::fuzz {

// Writes the seeds of the partition_table target (partitioned mkcard cards, and sfdisk tables
// where sfdisk is installed, as sparse media) and of the long_name target (folders with long
// names from mkcard cards) into OUT/<target>/. False when a card cannot be built.
bool WriteVolumeSeeds(const std::filesystem::path& out);

}  // namespace kova::fuzz
