// Thumbnails of real-size photographs through the JPEG scan format's MakeThumbnail (the file read
// through the buffered medium stream, copied through its extents, decoded at one eighth, fitted
// into 72 x 72 and stored), beside libjpeg-turbo's own `djpeg -scale 1/8` on the same files, page
// cache hot. Usage: bench_thumbnail DATA_FOLDER
#include <spawn.h>
#include <sys/wait.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/image_object.h"
#include "recovery/formats/jpeg_format.h"
#include "storage/buf_stream.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct TXPhotoSize {
  int Width;
  int Height;
};

// 12, 16, 20 and 24 megapixels, as cameras of those classes write them.
constexpr TXPhotoSize kSizes[] = {{4000, 3000}, {4608, 3456}, {5472, 3648}, {6000, 4000}};
constexpr int kQuality = 90;
// Both decoders alternate this many rounds; the best round of each counts, as other work on a
// shared machine only ever slows a round down.
constexpr int kRounds = 5;

uint32_t Next(uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return static_cast<uint32_t>(state >> 32);
}

// A landscape: a sky gradient over hills with foliage-like texture and sensor noise, so that the
// entropy-coded data is as dense as a photograph's (a few bits per pixel at quality 90).
std::vector<uint8_t> PaintLandscape(int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  uint64_t state = 0x2545F4914F6CDD1Dull;
  for (int y = 0; y < height; ++y) {
    double v = static_cast<double>(y) / height;
    for (int x = 0; x < width; ++x) {
      double u = static_cast<double>(x) / width;
      double horizon = 0.45 + 0.08 * std::sin(u * 9.0) + 0.04 * std::sin(u * 31.0 + 1.3);
      double r, g, b;
      if (v < horizon) {
        r = 90 + 80 * v;
        g = 140 + 60 * v;
        b = 230 - 40 * v;
      } else {
        double leaf = std::sin(x * 0.37 + std::sin(y * 0.11) * 3) * std::sin(y * 0.29 + x * 0.05);
        r = 60 + 40 * leaf + 30 * v;
        g = 110 + 50 * leaf;
        b = 40 + 20 * leaf;
      }
      uint32_t noise = Next(state);
      size_t at = (static_cast<size_t>(y) * width + x) * 3;
      rgb[at] =
          static_cast<uint8_t>(std::clamp(r + static_cast<int>(noise & 15) - 7.5, 0.0, 255.0));
      rgb[at + 1] = static_cast<uint8_t>(
          std::clamp(g + static_cast<int>((noise >> 8) & 15) - 7.5, 0.0, 255.0));
      rgb[at + 2] = static_cast<uint8_t>(
          std::clamp(b + static_cast<int>((noise >> 16) & 15) - 7.5, 0.0, 255.0));
    }
  }
  return rgb;
}

void EncodeJpeg(const fs::path& path, int width, int height) {
  std::vector<uint8_t> rgb = PaintLandscape(width, height);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror("cannot write a photograph");
    std::exit(1);
  }
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = rgb.data() + static_cast<size_t>(info.next_scanline) * width * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

// The generated photographs (made once and kept), plus the real camera photograph when the
// samples are there.
std::vector<fs::path> Photographs(const fs::path& folder) {
  std::vector<fs::path> paths;
  for (const TXPhotoSize& size : kSizes) {
    fs::path path = folder / ("photo-" + std::to_string(size.Width) + "x" +
                              std::to_string(size.Height) + ".jpg");
    if (!fs::exists(path)) {
      std::printf("generating %s ...\n", path.c_str());
      EncodeJpeg(path, size.Width, size.Height);
    }
    paths.push_back(path);
  }
  const char* samples = std::getenv("KOVA_SAMPLES_DIR");
  fs::path camera =
      fs::path(samples ? samples : KOVA_BENCH_SAMPLES_DIR) / "sony_dslr_a200_fullsize.jpg";
  if (fs::exists(camera)) {
    paths.push_back(camera);
  } else {
    std::printf("(the camera sample %s is absent; generated photographs only)\n", camera.c_str());
  }
  return paths;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Makes the thumbnail of every photograph as a found file of the medium; answers the seconds.
double OurThumbnails(const std::vector<fs::path>& paths) {
  auto start = std::chrono::steady_clock::now();
  for (const fs::path& path : paths) {
    kova::TXBufFileStream medium(path.string());
    kova::TXBlocks extents;
    extents.Add(0, medium.Size());
    kova::TXDRScanFormatJPG format;
    kova::TXSize size;
    kova::TXImageObject thumbnail;
    if (!format.MakeThumbnail(size, thumbnail, extents, medium) || thumbnail.Width() != 72) {
      std::fprintf(stderr, "no thumbnail of %s\n", path.c_str());
      std::exit(1);
    }
  }
  return Seconds(start);
}

// Runs djpeg at one eighth on every photograph; answers the seconds.
double ReferenceDecodes(const std::vector<fs::path>& paths) {
  auto start = std::chrono::steady_clock::now();
  for (const fs::path& path : paths) {
    std::string file = path.string();
    const char* args[] = {"djpeg", "-scale", "1/8", "-outfile", "/dev/null", file.c_str(), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char**>(args), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "djpeg (libjpeg-turbo-progs) failed on %s\n", file.c_str());
      std::exit(1);
    }
  }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_thumbnail DATA_FOLDER\n");
    return 2;
  }
  std::vector<fs::path> paths = Photographs(argv[1]);
  uintmax_t bytes = 0;
  for (const fs::path& path : paths) {
    std::ifstream in(path, std::ios::binary);  // into the page cache
    bytes += static_cast<uintmax_t>(std::distance(std::istreambuf_iterator<char>(in), {}));
  }
  double oursBest = 1e9, djpegBest = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    oursBest = std::min(oursBest, OurThumbnails(paths));
    djpegBest = std::min(djpegBest, ReferenceDecodes(paths));
  }
  std::printf("photographs: %zu (%.1f MiB), best of %d rounds\n", paths.size(),
              static_cast<double>(bytes) / (1 << 20), kRounds);
  std::printf("MakeThumbnail:     %7.1f ms per photograph\n", oursBest * 1000 / paths.size());
  std::printf("djpeg -scale 1/8:  %7.1f ms per photograph\n", djpegBest * 1000 / paths.size());
  std::printf("thumbnail: %.2f ratio (target <= 1.15)\n", oursBest / djpegBest);
  return 0;
}
