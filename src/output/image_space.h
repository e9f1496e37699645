#pragma once

#include <cstdint>
#include <string>

// What an image file of a drive needs before the copy starts: room for every byte of the drive
// and the trailer.
namespace kova {

// The most a trailer takes (a few hundred bytes in practice).
inline constexpr int64_t kImageTrailerRoom = 4096;

// The bytes of the drive a copy reads: the size the user chose, else the device's (0 when the
// device cannot be opened).
int64_t DriveSizeToCopy(const std::string& drive, int64_t chosenSize);

// Empty when the file system that would hold imagePath has room for an image of a drive of
// sourceSize bytes (or when its free space cannot be learned); otherwise the text that says what
// is missing. An existing file of that name counts as taken space: it is replaced only once the
// copy is whole.
std::string ImageSpaceShortage(const std::string& imagePath, int64_t sourceSize);

}  // namespace kova
