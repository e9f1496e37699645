#include "output/image_space.h"

#include <filesystem>

#include "output/folder_commands.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"
#include "storage/platform_device.h"
#include "storage/platform_files.h"

namespace kova {

int64_t DriveSizeToCopy(const std::string& drive, int64_t chosenSize) {
  if (chosenSize > 0) return chosenSize;
  const TXDeviceOpening opening = OpenDevice(drive);
  return opening.Device ? opening.Device->Size() : 0;
}

std::string ImageSpaceShortage(const std::string& imagePath, int64_t sourceSize) {
  const std::filesystem::path parent = std::filesystem::path(imagePath).parent_path();
  const std::string folder = parent.empty() ? std::string(".") : parent.string();
  const int64_t needed = sourceSize + kImageTrailerRoom;
  const int64_t free = FreeSpaceOf(folder);
  if (free < 0 || free >= needed) return {};
  return Lg().Format(lg::kImageNoSpace,
                     {DriveNameOf(folder), FormatByteSize(free), FormatByteSize(needed)});
}

}  // namespace kova
