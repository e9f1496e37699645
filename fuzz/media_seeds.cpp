#include "media_seeds.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/movie_thumbnail.h"

namespace kova::fuzz {

namespace {

namespace fs = std::filesystem;

// Movies of ffmpeg's test picture: the first byte of their seed names the container.
struct TXMadeMovie {
  const char* Name;
  TXMovieContainer Container;
  const char* Options;
};
constexpr TXMadeMovie kMadeMovies[] = {
    {"mjpeg.avi", TXMovieContainer::mcAVI, "-c:v mjpeg -f avi"},
    {"mpeg4.avi", TXMovieContainer::mcAVI, "-c:v mpeg4 -f avi"},
    {"mjpeg.mov", TXMovieContainer::mcQuickTime, "-c:v mjpeg -f mov"},
    {"h264.mov", TXMovieContainer::mcQuickTime, "-c:v libx264 -f mov"},
    {"h264_faststart.mp4", TXMovieContainer::mcQuickTime,
     "-c:v libx264 -movflags +faststart -f mp4"},
    {"hevc.mp4", TXMovieContainer::mcQuickTime, "-c:v libx265 -tag:v hvc1 -f mp4"},
    {"h264.mts", TXMovieContainer::mcTransportStream, "-c:v libx264 -f mpegts -mpegts_m2ts_mode 1"},
    {"mpeg2.mts", TXMovieContainer::mcTransportStream,
     "-c:v mpeg2video -f mpegts -mpegts_m2ts_mode 1"},
};

std::vector<uint8_t> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteSeed(const fs::path& file, uint8_t first, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.put(static_cast<char>(first));
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// The bytes that the command writes to `made`, removed afterwards; empty when it fails.
std::vector<uint8_t> Made(const std::string& command, const fs::path& made) {
  std::vector<uint8_t> bytes;
  if (std::system((command + " >/dev/null 2>&1").c_str()) == 0) bytes = ReadFile(made);
  fs::remove(made);
  return bytes;
}

void WriteSampleSeeds(const fs::path& out, const fs::path& samples, int64_t limit) {
  if (!fs::is_directory(samples)) return;
  for (const fs::directory_entry& entry : fs::directory_iterator(samples)) {
    const std::string ext = entry.path().extension().string();
    if (static_cast<int64_t>(entry.file_size()) > limit) continue;
    const std::string name = entry.path().filename().string();
    if (ext == ".heic") {
      WriteSeed(out / "heif_thumbnail" / name, 0, ReadFile(entry.path()));
    } else if (ext == ".avi" || ext == ".mov" || ext == ".mp4" || ext == ".mts") {
      const TXMovieContainer container = ext == ".avi"   ? TXMovieContainer::mcAVI
                                         : ext == ".mts" ? TXMovieContainer::mcTransportStream
                                                         : TXMovieContainer::mcQuickTime;
      WriteSeed(out / "movie_thumbnail" / name, static_cast<uint8_t>(container),
                ReadFile(entry.path()));
    }
  }
}

void WriteMadeSeeds(const fs::path& out, const fs::path& samples) {
  const fs::path scratch =
      fs::temp_directory_path() / ("kova-media-seeds-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  const fs::path movie = scratch / "movie";
  for (const TXMadeMovie& made : kMadeMovies) {
    const std::string command =
        "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=duration=1:size=96x64:rate=5 -f lavfi "
        "-i sine=duration=1 -bitexact " +
        std::string(made.Options) + " '" + movie.string() + "'";
    WriteSeed(out / "movie_thumbnail" / made.Name, static_cast<uint8_t>(made.Container),
              Made(command, movie));
  }
  const fs::path photo = samples / "sony_cybershot_exif_thumb.jpg";
  const fs::path heic = scratch / "picture.heic";
  for (const char* thumbnail : {"", "-t 64 "}) {
    const std::string command = std::string("heif-enc -q 20 ") + thumbnail + "-o '" +
                                heic.string() + "' '" + photo.string() + "'";
    WriteSeed(out / "heif_thumbnail" / (std::string(*thumbnail ? "thumbnail" : "plain") + ".heic"),
              0, Made(command, heic));
  }
  fs::remove_all(scratch);
}

}  // namespace

void WriteMediaSeeds(const fs::path& out, const fs::path& samples, int64_t limit) {
  WriteSampleSeeds(out, samples, limit);
  WriteMadeSeeds(out, samples);
}

}  // namespace kova::fuzz
