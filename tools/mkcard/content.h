#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "byte_order.h"
#include "dos_entries.h"
#include "status.h"

namespace kova::mkcard {

// The bytes of one file or raw write, with what they are.
struct Content {
  Bytes bytes;
  // "jpg", "avi", "mov", "mp4", "tif", "text", "data", or a copied file's extension.
  std::string kind;
  int width = 0;  // picture or video frame size when the content has one
  int height = 0;
};

struct PhotoOptions {
  int width = 1600;
  int height = 1200;
  uint64_t seed = 1;
  int quality = 88;
  // A camera-style EXIF APP1 segment (make, model, dates, a 160-pixel JPEG thumbnail) first,
  // instead of the JFIF APP0 segment.
  bool exif_thumbnail = true;
  DosTime taken{};
  // The strength of the fine detail a camera records (sensor noise, texture), as the largest
  // change of a pixel's value; 0 paints the smooth landscape alone. Detail is what makes a
  // camera's photo large and slow to decode.
  int grain = 0;
};

struct VideoOptions {
  int width = 320;
  int height = 240;
  int frames = 12;
  int fps = 10;
  uint64_t seed = 1;
  int quality = 80;
};

struct MovieOptions : VideoOptions {
  std::string major_brand = "qt  ";
  std::vector<std::string> compatible_brands = {"qt  ", "kova"};
  bool mdat_64bit = false;    // the mdat box uses the 64-bit size form
  bool moov_first = false;    // moov before mdat (as editors write), else after (as cameras do)
  uint32_t leading_skip = 0;  // size of a "skip" box before everything else; 0: none
};

struct TiffOptions {
  int width = 640;
  int height = 480;
  uint64_t seed = 1;
  bool big_endian = false;
};

Status MakePhoto(const PhotoOptions& options, Content* content);
Status MakeAviVideo(const VideoOptions& options, Content* content);
// "mov", or "mp4" when a brand contains "mp4".
Status MakeQuickTimeMovie(const MovieOptions& options, Content* content);
Status MakeTiffPicture(const TiffOptions& options, Content* content);
Status CopyExistingFile(const std::filesystem::path& path, Content* content);
Content MakeText(std::string_view text);
// `size` bytes: pseudo-random from `seed`, or all `fill` when a fill byte is given.
Content MakeData(uint64_t size, uint64_t seed, int fill = -1);

// JPEG-encodes a painted landscape (with detail of the grain's strength, see PhotoOptions);
// shared by photos, thumbnails and video frames.
Status EncodeLandscapeJpeg(int width, int height, uint64_t seed, double moment, int quality,
                           bool jfif, const Bytes& app1, Bytes* jpeg, int grain = 0);

}  // namespace kova::mkcard
