#pragma once

#include <cstdint>
#include <string_view>

namespace kova {

// The pages of the recovery wizard.
enum TXKovaPageID : uint8_t {
  wpNone,
  wpWelcome,
  wpAction,
  wpImageFileDisk,
  wpImageFile,
  wpImageFileFinish,
  wpDisk,
  wpFileTypes,
  wpScanning,
  wpImages,
  wpRestoring,
  wpFinish,
};

// The identifier's name without its prefix ("Welcome"), for messages and logs.
constexpr std::string_view PageName(TXKovaPageID page) {
  constexpr std::string_view kNames[] = {
      "None", "Welcome",   "Action",   "ImageFileDisk", "ImageFile", "ImageFileFinish",
      "Disk", "FileTypes", "Scanning", "Images",        "Restoring", "Finish"};
  return page <= wpFinish ? kNames[page] : std::string_view("?");
}

}  // namespace kova
