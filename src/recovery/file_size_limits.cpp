#include "recovery/file_size_limits.h"

#include "recovery/formats/scan_format.h"

namespace kova {

namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

}  // namespace

int64_t MostFileBytes(uint8_t kind) {
  switch (kind) {
    case skJPG:
    case skHEIC:
      // 100-megapixel photos at the best quality stay well below it.
      return 128 * kMiB;
    case skTIF:
      // 16-bit scans and exports of large photos.
      return 1024 * kMiB;
    case skAVI:
    case skMOV:
    case skMP4:
    case skMTS:
    default:
      // Cameras start a new file at 4 GiB, the most a FAT32 file holds.
      return 4096 * kMiB;
    case skDNG:
    case skCR2:
    case skNEF:
    case skORF:
    case skPEF:
    case skARW:
    case skARWTIF:
    case skSRF:
    case skSR2:
    case skRAW:
    case skMRW:
    case skRW2:
    case skCR3:
    case skRAF:
      // Uncompressed raws of medium-format backs reach a few hundred megabytes.
      return 512 * kMiB;
  }
}

}  // namespace kova
