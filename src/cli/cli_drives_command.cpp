#include <algorithm>
#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_texts.h"
#include "drives/drive_captions.h"
#include "persistence/lg_keys.h"
#include "storage/drive_list.h"

namespace kova::cli {

namespace {

std::string DriveTypeKey(TXDriveType type) {
  static const char* const kKeys[] = {"unknown", "no_root", "removable", "fixed",
                                      "remote",  "cdrom",   "ramdisk"};
  return kKeys[static_cast<int>(type)];
}

std::string MediumKey(TXMediumKind medium) {
  static const char* const kKeys[] = {"unknown",   "sd_card",      "cf_card",     "memory_stick",
                                      "xd_card",   "mmc_card",     "memory_card", "flash_drive",
                                      "hard_disk", "virtual_disk", "optical",     "loop",
                                      "network",   "ramdisk"};
  return kKeys[static_cast<int>(medium)];
}

std::string DriveJson(const TXDriveInfo& drive, const std::vector<TXDriveInfo>& all) {
  return TXJsonObject()
      .Add("name", drive.Name)
      .Add("device", drive.DevicePath)
      .Add("disk", drive.Disk)
      .Add("type", DriveTypeKey(drive.Type))
      .Add("kind", MediumKey(drive.Medium))
      .Add("size", drive.Size)
      .Add("label", drive.Label)
      .Add("file_system", drive.FileSystem)
      .Add("model", drive.Model)
      .Add("bus", drive.Bus)
      .Add("partition", drive.PartitionNumber)
      .Add("partitioned", drive.HasPartitions)
      .Add("backing_file", drive.BackingFile)
      .Add("caption", DriveCaption(drive, all))
      .Add("system", drive.System)
      .Text();
}

// The device, partitions set in below their disk, padded to a column two blanks wider than the
// widest of them.
std::string DeviceColumn(const TXDriveInfo& drive, size_t width) {
  std::string column = (drive.IsPartition() ? "  " : "") + drive.DevicePath;
  column.resize(width + 4, ' ');
  return column;
}

}  // namespace

int RunDrivesCommand(const TXCliArguments& arguments) {
  if (!arguments.Positional.empty())
    return Fail(Say(lg::kCliUnexpectedArgument, {arguments.Positional.front()}), ceUsage);
  const std::vector<TXDriveInfo> all = ListDrives();
  std::vector<TXDriveInfo> shown;
  std::copy_if(all.begin(), all.end(), std::back_inserter(shown),
               [&](const TXDriveInfo& drive) { return arguments.Has("all") || !drive.System; });
  const size_t hidden = all.size() - shown.size();
  if (arguments.Has("json")) {
    for (const TXDriveInfo& drive : shown)
      std::printf("%s\n", DriveJson(drive, all).c_str());
    return ceSuccess;
  }
  std::printf("%s\n", Say(shown.empty() ? lg::kCliNoDrives : lg::kCliDrivesHeader).c_str());
  size_t width = 0;
  for (const TXDriveInfo& drive : shown)
    width = std::max(width, drive.DevicePath.size());
  for (const TXDriveInfo& drive : shown) {
    std::printf(
        "  %s\n",
        Say(lg::kCliDriveLine, {DeviceColumn(drive, width), DriveDescription(drive, all)}).c_str());
  }
  if (hidden > 0)
    std::printf("%s\n", Say(lg::kCliSystemDrivesLeftOut, {std::to_string(hidden)}).c_str());
  return ceSuccess;
}

}  // namespace kova::cli
