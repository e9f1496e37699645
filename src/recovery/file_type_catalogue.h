#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

namespace kova {

// The groups of the file-type catalogue, as FileGroupOf answers them.
enum TXDRFileGroup : uint8_t { fgNone = 0, fgImages = 1, fgVideo = 2, fgAudio = 3 };

// One type of the file-type catalogue: its extension (lower case, with the dot), its group, and
// whether it is common: listed first on the file-type page and chosen by default.
struct TXFileType {
  std::string_view Ext;
  TXDRFileGroup Group;
  bool Common = false;
};
inline constexpr bool kCommon = true;

// The catalogue, in its order: the images, the videos, then the audio types, each group's common
// types first. The catalogue is larger than what the scan formats measure, since files that
// directory entries describe are offered by their extension. A new type is one line here (its
// badge is drawn from the skin's template).
inline constexpr TXFileType kFileTypes[] = {
    {".jpg", fgImages, kCommon},
    {".heic", fgImages, kCommon},
    {".arw", fgImages, kCommon},
    {".cr2", fgImages, kCommon},
    {".cr3", fgImages, kCommon},
    {".dng", fgImages, kCommon},
    {".nef", fgImages, kCommon},
    {".orf", fgImages, kCommon},
    {".pef", fgImages, kCommon},
    {".raf", fgImages, kCommon},
    {".raw", fgImages, kCommon},
    {".tif", fgImages, kCommon},
    {".3fr", fgImages},
    {".ari", fgImages},
    {".bay", fgImages},
    {".bmp", fgImages},
    {".cap", fgImages},
    {".crw", fgImages},
    {".dcr", fgImages},
    {".dcs", fgImages},
    {".drf", fgImages},
    {".eip", fgImages},
    {".erf", fgImages},
    {".fff", fgImages},
    {".gif", fgImages},
    {".iiq", fgImages},
    {".jp2", fgImages},
    {".jps", fgImages},
    {".k25", fgImages},
    {".kdc", fgImages},
    {".mef", fgImages},
    {".mos", fgImages},
    {".mpo", fgImages},
    {".mrw", fgImages},
    {".nrw", fgImages},
    {".pcd", fgImages},
    {".png", fgImages},
    {".pns", fgImages},
    {".psd", fgImages},
    {".ptx", fgImages},
    {".pxn", fgImages},
    {".r3d", fgImages},
    {".rw1", fgImages},
    {".rw2", fgImages},
    {".rwz", fgImages},
    {".srf", fgImages},
    {".sr2", fgImages},
    {".x3f", fgImages},
    {".avi", fgVideo, kCommon},
    {".mov", fgVideo, kCommon},
    {".mp4", fgVideo, kCommon},
    {".mpg", fgVideo, kCommon},
    {".3g2", fgVideo},
    {".3gp", fgVideo},
    {".cam", fgVideo},
    {".flv", fgVideo},
    {".m1v", fgVideo},
    {".m2t", fgVideo},
    {".m2v", fgVideo},
    {".m4v", fgVideo},
    {".mpe", fgVideo},
    {".mts", fgVideo},
    {".rm", fgVideo},
    {".qt", fgVideo},
    {".wmv", fgVideo},
    {".mp3", fgAudio, kCommon},
    {".wma", fgAudio, kCommon},
    {".aif", fgAudio},
    {".amr", fgAudio},
    {".m4a", fgAudio},
    {".m4b", fgAudio},
    {".mid", fgAudio},
    {".mp2", fgAudio},
    {".ra", fgAudio},
    {".wav", fgAudio},
};

// Other spellings of catalogue extensions that cameras, phones and programs use, each with the
// catalogue extension it stands for.
inline constexpr std::pair<std::string_view, std::string_view> kOtherSpellings[] = {
    {".jpeg", ".jpg"}, {".jpe", ".jpg"},  {".jfif", ".jpg"}, {".tiff", ".tif"}, {".heif", ".heic"},
    {".mpeg", ".mpg"}, {".aiff", ".aif"}, {".m2ts", ".mts"}, {".midi", ".mid"}};

}  // namespace kova
