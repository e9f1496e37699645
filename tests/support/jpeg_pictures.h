#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// JPEG files as cameras and programs write them beyond a plain picture, made from real ones.
namespace kova::test {

// A camera file with a multi-picture index: the photo with an APP2 "MPF" segment after its first
// segment, then `gap` zero bytes and the preview, which the index names (with `namedSize`, or
// its own size for 0) as the file's second picture.
std::vector<uint8_t> WithMultiPictureIndex(const std::vector<uint8_t>& photo,
                                           const std::vector<uint8_t>& preview, uint32_t gap = 0,
                                           uint32_t namedSize = 0);

// True when jpegtran (libjpeg-turbo-progs) is installed.
bool HaveJpegtran();
// The picture made progressive by jpegtran, every marker kept; empty when jpegtran fails.
std::vector<uint8_t> ProgressiveJpeg(const std::filesystem::path& picture);

}  // namespace kova::test
