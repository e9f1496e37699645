#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_texts.h"
#include "persistence/lg_keys.h"
#include "storage/disk_info.h"
#include "storage/drive_list.h"

namespace kova::cli {

namespace {

std::string DriveTypeKey(TXDriveType type) {
  static const char* const kKeys[] = {"unknown", "no_root", "removable", "fixed",
                                      "remote",  "cdrom",   "ramdisk"};
  return kKeys[static_cast<int>(type)];
}

std::string DriveJson(const TXDriveInfo& drive, bool system) {
  return TXJsonObject()
      .Add("name", drive.Name)
      .Add("device", drive.DevicePath)
      .Add("disk", drive.Disk)
      .Add("type", DriveTypeKey(drive.Type))
      .Add("size", drive.Size)
      .Add("label", drive.Label)
      .Add("model", drive.Model)
      .Add("caption", drive.Caption)
      .Add("system", system)
      .Text();
}

}  // namespace

int RunDrivesCommand(const TXCliArguments& arguments) {
  if (!arguments.Positional.empty())
    return Fail(Say(lg::kCliUnexpectedArgument, {arguments.Positional.front()}), ceUsage);
  const std::vector<TXDriveInfo> drives = EnumerateDrives();
  const std::string system = SystemDriveName(drives);
  const bool json = arguments.Has("json");
  if (!json) {
    std::printf("%s\n", Say(drives.empty() ? lg::kCliNoDrives : lg::kCliDrivesHeader).c_str());
  }
  for (const TXDriveInfo& drive : drives) {
    if (json) {
      std::printf("%s\n", DriveJson(drive, drive.Name == system).c_str());
    } else {
      std::printf("  %s\n", Say(lg::kCliDriveLine,
                                {drive.DevicePath, FormatByteSize(drive.Size), drive.Caption})
                                .c_str());
    }
  }
  return ceSuccess;
}

}  // namespace kova::cli
