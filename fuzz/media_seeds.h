#pragma once

#include <cstdint>
#include <filesystem>

namespace kova::fuzz {

// Writes the seeds of the movie and HEIF thumbnail fuzzers into OUT/movie_thumbnail and
// OUT/heif_thumbnail: the camera samples of those kinds up to `limit` bytes, and small movies of
// every container and coding cameras use and HEIC pictures, as ffmpeg and heif-enc write them
// where they are installed.
void WriteMediaSeeds(const std::filesystem::path& out, const std::filesystem::path& samples,
                     int64_t limit);

}  // namespace kova::fuzz
